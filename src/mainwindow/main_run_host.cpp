#include "mainwindow/main_run_host.h"

#include <utility>

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QTimeEdit>

#include "browse/file_list.h"
#include "mainwindow/main_controls.h"
#include "mainwindow/photo_readout.h"
#include "photo/picture_box.h"
#include "photo/picture_size_edit.h"
#include "run/log_folder.h"
#include "ui/path_text.h"

namespace tovrin {

namespace {

CalendarDate FromQDate(const QDate& d) { return CalendarDate{d.year(), d.month(), d.day()}; }

}  // namespace

MainRunHost::MainRunHost(const MainControls& controls, PhotoReadout& readout, MessageBoxes& boxes,
                         const QString& applicationFolder)
    : m_ui(controls), m_readout(readout), m_boxes(boxes), m_applicationFolder(applicationFolder) {}

void MainRunHost::readoutFromList() {
    if (!m_deferReadoutErrors) {
        m_readout.show();
        return;
    }
    try {
        m_readout.read();
    } catch (...) {
        if (!m_deferredReadoutError) {
            m_deferredReadoutError = std::current_exception();
        }
    }
}

template <typename Select>
void MainRunHost::selectPropagatingReadoutErrors(Select select) {
    const bool outer = m_deferReadoutErrors;
    m_deferReadoutErrors = true;
    try {
        select();
    } catch (...) {
        m_deferReadoutErrors = outer;
        throw;
    }
    m_deferReadoutErrors = outer;
    if (!outer && m_deferredReadoutError) {
        std::rethrow_exception(std::exchange(m_deferredReadoutError, nullptr));
    }
}

std::string MainRunHost::folder() const { return EnginePath(m_ui.File1->path()); }

int MainRunHost::fileCount() const { return m_ui.File1->entryCount(); }

std::string MainRunHost::fileName(int index) const { return EnginePath(m_ui.File1->entry(index)); }

bool MainRunHost::isSelected(int index) const { return m_ui.File1->isSelected(index); }

void MainRunHost::selectInCode(int index) {
    selectPropagatingReadoutErrors([this, index] { m_ui.File1->setSelected(index, true); });
}

void MainRunHost::reloadFileList() {
    selectPropagatingReadoutErrors([this] { m_ui.File1->refresh(); });
}

void MainRunHost::selectFirstEntry() {
    selectPropagatingReadoutErrors([this] {
        if (m_ui.File1->entryCount() > 0) {
            m_ui.File1->setCurrentEntry(0);
        }
    });
}

void MainRunHost::File1_Click() { m_readout.read(); }

DateChoice MainRunHost::dateChoice() const {
    DateChoice choice;
    choice.date = FromQDate(m_ui.DTPDate->date());
    const QTime t = m_ui.DTPTime->time();
    choice.time = TimeOfDay{t.hour(), t.minute(), t.second()};
    choice.keepTime = m_ui.ChkHoji->isChecked();
    choice.filterOn = m_ui.ChkUme->isChecked();
    choice.filterDate = FromQDate(m_ui.DTPumeDate->date());
    return choice;
}

bool MainRunHost::wholeFolderChecked() const { return m_ui.ChkIkkatu->isChecked(); }

void MainRunHost::setExifInfoText(const std::string& text) {
    m_readout.setText(QString::fromStdString(text));
}

void MainRunHost::clearThumbnail() { m_ui.Image2->clearPicture(); }

void MainRunHost::FitThumbnail(const std::string& fullPath) {
    tovrin::FitThumbnail(*m_ui.Image2, *m_ui.PicBack, WindowPath(fullPath));
}

// The logs stay beside the program only where it may write.
std::string MainRunHost::applicationFolder() const {
    return LogFolder(EnginePath(m_applicationFolder));
}

}  // namespace tovrin
