#pragma once

#include <string>
#include <vector>

#include <QDialog>

#include "run/journal.h"

class QTreeWidget;

namespace tovrin {

// "元に戻す": the recorded runs, newest first, each with when it was made,
// what it did and how many photos (and copies of their dates) it changed. A run already given back
// is marked and cannot be chosen; the last one not yet given back is chosen first.
class UndoDialog : public QDialog {
    Q_OBJECT
public:
    UndoDialog(const std::vector<RecordedRun>& runs, const std::string& latest,
               QWidget* parent = nullptr);

    // The id of the chosen run, "" for none.
    std::string chosenRun() const;

    // The words a run is shown with.
    static QString KindText(const std::string& kind);

private:
    QTreeWidget* m_list = nullptr;
};

}  // namespace tovrin
