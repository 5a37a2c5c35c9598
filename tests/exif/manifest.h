#pragma once

#include <cctype>
#include <string>
#include <vector>

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include "date_choice.h"
#include "test_files.h"

// The corpus manifest: expected reader and writer results per photo, computed
// independently of this code.
namespace tovrin::test {

inline const QJsonObject& Manifest() {
    static const QJsonObject manifest = [] {
        const std::string dir = CorpusDir();
        if (dir.empty()) return QJsonObject();
        QFile file(QString::fromStdString(dir + "/manifest.json"));
        if (!file.open(QIODevice::ReadOnly)) return QJsonObject();
        return QJsonDocument::fromJson(file.readAll()).object();
    }();
    return manifest;
}

inline std::vector<std::string> CorpusNames() {
    std::vector<std::string> names;
    for (const QString& name : Manifest().value("files").toObject().keys()) {
        names.push_back(name.toStdString());
    }
    return names;
}

inline QJsonObject CorpusEntry(const std::string& name) {
    return Manifest().value("files").toObject().value(QString::fromStdString(name)).toObject();
}

// Manifest texts hold one character per byte.
inline std::string Latin1(const QJsonValue& v) { return v.toString().toLatin1().toStdString(); }

inline CalendarDate ColonDate(const QString& text) {
    const QStringList parts = text.split(':');
    return {parts.value(0).toInt(), parts.value(1).toInt(), parts.value(2).toInt()};
}

// One of the manifest's write choices; the filter day is the photo's own.
inline DateChoice ManifestChoice(const std::string& writeCase, const QJsonValue& filter) {
    const QJsonObject c = Manifest()
                              .value("write_cases")
                              .toObject()
                              .value(QString::fromStdString(writeCase))
                              .toObject();
    const CalendarDate time = ColonDate(c.value("time").toString());
    DateChoice choice;
    choice.date = ColonDate(c.value("date").toString());
    choice.time = {time.year, time.month, time.day};
    choice.keepTime = c.value("keep_time").toBool();
    choice.filterOn = filter.isString();
    if (choice.filterOn) choice.filterDate = ColonDate(filter.toString());
    return choice;
}

inline std::string Sha256(const Bytes& bytes) {
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
}

// A test name GoogleTest accepts, unique through the index.
inline std::string TestName(std::size_t index, const std::string& name) {
    std::string out = "n" + std::to_string(index) + "_";
    for (char c : name) out += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return out;
}

}  // namespace tovrin::test
