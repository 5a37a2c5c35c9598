#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

#include "exif/date_choice.h"
#include "exif/local_time.h"
#include "mainwindow/from_name_model.h"
#include "run/date_source.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTimeEdit;

namespace tovrin {

// Reads, once, the capture date of each named photo of folderPath (ending
// with the separator) for the from-name preview. A folder that takes a while
// shows its progress over `parent`, and the reading can be cancelled there:
// then nothing is returned, and nothing is to be set.
std::optional<std::vector<PhotoBefore>> ReadFromNamePreview(QWidget* parent,
                                                            const std::string& folderPath,
                                                            const std::vector<std::string>& names);

// "ファイル名から日付を設定": asks how the photos' names tell their moments (the
// usual forms of phones, messengers and cameras, or a pattern of the user's)
// and shows, for every photo of the run, its date now and the one its name
// gives, following the pattern as it is typed. A name that gives a day only
// keeps the photo's time of day, or takes a time chosen here. The run itself
// goes through the date-setting run.
class FromNameDialog : public QDialog {
    Q_OBJECT
public:
    // `form` is the choice on the window: its day filter holds for the run,
    // its time of day is the first offered for names without one.
    FromNameDialog(std::vector<PhotoBefore> photos, const DateChoice& form, bool addMissing,
                   const LocalDateTime& now, QWidget* parent = nullptr);

    // What the run takes: moments from the names, by the pattern chosen.
    DateSource source() const;
    // Whether a photo without EXIF is to get a block of its own.
    bool addMissing() const;
    // The pattern as typed ("" for the usual forms).
    std::string pattern() const;
    void setPattern(const QString& pattern);

    const FromNameModel& preview() const { return *m_preview; }
    QTableView* table() const { return m_table; }
    QLabel* countLabel() const { return m_count; }
    QLabel* problemLabel() const { return m_problem; }
    QPushButton* runButton() const { return m_run; }

private:
    void follow();

    DateChoice m_form;
    FromNameModel* m_preview = nullptr;
    QComboBox* m_pattern = nullptr;
    QLabel* m_problem = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_count = nullptr;
    QCheckBox* m_keepTime = nullptr;
    QTimeEdit* m_time = nullptr;
    QCheckBox* m_addMissing = nullptr;
    QPushButton* m_run = nullptr;
};

}  // namespace tovrin
