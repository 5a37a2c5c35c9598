#include "browse/parent_folder.h"

#include <QDir>
#include <QFileInfo>

namespace tovrin {

namespace {

// "C:" and the like: a drive letter without its root separator.
bool isDriveName(const QString& text) {
    return text.size() == 2 && text.at(1) == QLatin1Char(':') && text.at(0).isLetter();
}

bool isRoot(const QString& text) {
    return text == QLatin1String("/") ||
           (text.size() == 3 && isDriveName(text.left(2)) && text.endsWith(QLatin1Char('/')));
}

// "//server" (the text before the last separator of a share root).
bool isServerOnly(const QString& text) {
    return text.startsWith(QLatin1String("//")) && text.indexOf(QLatin1Char('/'), 2) < 0;
}

}  // namespace

QString ParentFolder(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/')) && !isRoot(trimmed)) {
        trimmed.chop(1);
    }
    if (isRoot(trimmed)) {
        return trimmed;
    }
    const qsizetype last = trimmed.lastIndexOf(QLatin1Char('/'));
    if (last < 0) {
        return path;
    }
    QString parent = trimmed.left(last);
    if (parent.isEmpty()) {
        return QStringLiteral("/");
    }
    if (isDriveName(parent)) {
        return parent + QLatin1Char('/');
    }
    if (isServerOnly(parent)) {
        return trimmed;
    }
    return parent;
}

QString CleanFolder(const QString& folder) {
    return QDir::cleanPath(QFileInfo(QDir::fromNativeSeparators(folder)).absoluteFilePath());
}

}  // namespace tovrin
