#pragma once

#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTest>

#include "message_boxes.h"

namespace tovrin::test {

// One message box as a component asked for it.
struct ShownBox {
    std::string text;
    MsgButtons buttons;
    MsgIcon icon;
    std::string title;
};

// Records every box and answers OK; a test states how many boxes it expects,
// so a box that should not have appeared fails the test.
class RecordingBoxes : public MessageBoxes {
public:
    MsgAnswer show(const std::string& text, MsgButtons buttons, MsgIcon icon,
                   const std::string& title) override {
        shown.push_back({text, buttons, icon, title});
        return MsgAnswer::Ok;
    }

    std::vector<ShownBox> shown;
};

// Creates an empty file (the lists never read the contents).
inline bool touch(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("x", 1) == 1;
}

// Creates the folders and files named relative to `root`; a name ending in
// "/" is a folder.
inline bool makeTree(const QString& root, const QStringList& entries) {
    const QDir dir(root);
    for (const QString& entry : entries) {
        if (entry.endsWith(QLatin1Char('/'))) {
            if (!dir.mkpath(entry)) {
                return false;
            }
        } else if (!dir.mkpath(QFileInfo(dir.filePath(entry)).path()) ||
                   !touch(dir.filePath(entry))) {
            return false;
        }
    }
    return true;
}

// Top-level widgets other than the ones the test created and still owns.
inline int topLevelCount() { return int(QApplication::topLevelWidgets().size()); }

}  // namespace tovrin::test
