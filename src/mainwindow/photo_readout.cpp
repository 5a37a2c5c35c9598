#include "mainwindow/photo_readout.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>

#include "browse/file_list.h"
#include "mainwindow/information_text.h"
#include "mainwindow/main_controls.h"
#include "messages/error_report.h"
#include "messages/message_boxes.h"
#include "photo/picture_box.h"
#include "photo/picture_size_edit.h"
#include "ui/path_text.h"

namespace tovrin {

PhotoReadout::PhotoReadout(const MainControls& controls, MessageBoxes& boxes)
    : m_ui(controls), m_boxes(boxes) {}

void PhotoReadout::read() {
    FileList& list = *m_ui.File1;
    const QString name = list.currentFileName();
    const QString folderPath = FolderWithSeparator(list.path());
    if (!name.isEmpty() && !QFileInfo(folderPath + name).isFile()) {
        m_boxes.show("フォルダ内の情報が変更された可能性が有る為、最新の情報へ更新します。",
                     MsgButtons::Ok, MsgIcon::Information, AppTitle);
        list.refresh();
        if (m_listReloaded) {
            m_listReloaded();
        }
        return;
    }

    setText(QString());
    if (name.isEmpty()) {
        return;
    }
    const int current = list.currentEntry();
    const int others = list.selectedCount() - (list.isSelected(current) ? 1 : 0);
    PictureBox& image2 = *m_ui.Image2;
    if (others > 0) {
        // Nothing is shown for several photos at once.
        if (image2.hasPicture() || image2.hasNotice()) {
            image2.clearPicture();
            image2.setToolTip(QString());
        }
        return;
    }

    const std::string enginePath = EnginePath(folderPath);
    const std::string engineName = EnginePath(name);
    const std::int32_t status = ReadPhotoInfo(enginePath, engineName, m_photoInfo);
    m_ui.lbl_ExifDate->setText(QString::fromLatin1(m_photoInfo.DateTimeOriginal.data(),
                                                   qsizetype(m_photoInfo.DateTimeOriginal.size())));
    m_ui.lbl_FileDate->setText(QString::fromStdString(m_photoInfo.FileDateText));

    const QString fullPath = folderPath + name;
    if (status == 0) {
        FitThumbnail(image2, *m_ui.PicBack, fullPath);
        QCoreApplication::processEvents();
        setText(NoDateInformationText);
        return;
    }
    const LocalDateTime lastWrite = LastWriteTime(enginePath + engineName);
    setText(InformationText(m_photoInfo, lastWrite));
    FitThumbnail(image2, *m_ui.PicBack, fullPath);
    QCoreApplication::processEvents();
}

void PhotoReadout::show() {
    try {
        read();
    } catch (...) {
        report(CaughtRuntimeError());
    }
}

void PhotoReadout::report(const RuntimeError& failure) {
    // Cleared before the box shows, so the window never pairs the failed
    // photo's name with another photo's information.
    setText(QString());
    m_ui.Image2->clearPicture();
    m_ui.Image2->hide();
    m_boxes.show(RuntimeErrorText(failure), MsgButtons::Ok, MsgIcon::Exclamation, AppTitle);
}

void PhotoReadout::clear() {
    setText(QString());
    m_ui.Image2->clearPicture();
}

void PhotoReadout::setText(const QString& crlfText) {
    m_ui.txt_Exif_Info->setPlainText(ToDisplayLines(crlfText));
}

QString PhotoReadout::text() const { return FromDisplayLines(m_ui.txt_Exif_Info->toPlainText()); }

}  // namespace tovrin
