#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include "exif/date_choice.h"
#include "test_files.h"

// The corpus manifest: expected reader and writer results per photo, computed
// independently of this code. Its texts hold one character per byte.
namespace tovrin::test {

inline const QJsonObject& Manifest() {
    static const QJsonObject manifest = [] {
        QFile file(QString::fromStdString(CorpusDir() + "/manifest.json"));
        if (CorpusDir().empty() || !file.open(QIODevice::ReadOnly)) return QJsonObject();
        return QJsonDocument::fromJson(file.readAll()).object();
    }();
    return manifest;
}

inline std::vector<std::string> CorpusNames() {
    std::vector<std::string> names;
    for (const QString& name : Manifest()["files"].toObject().keys()) {
        names.push_back(name.toStdString());
    }
    return names;
}

inline QJsonValue CorpusEntry(const std::string& name) {
    return Manifest()["files"][QString::fromStdString(name)];
}

inline std::string Latin1(const QJsonValue& v) { return v.toString().toLatin1().toStdString(); }

// One of the manifest's write choices; the filter day is the photo's own.
inline DateChoice ManifestChoice(const char* writeCase, const QJsonValue& filter) {
    const QJsonValue c = Manifest()["write_cases"][writeCase];
    const QStringList p =
        (c["date"].toString() + ":" + c["time"].toString() + ":" + filter.toString()).split(':');
    auto n = [&](int i) { return p.value(i).toInt(); };
    return {{n(0), n(1), n(2)},
            {n(3), n(4), n(5)},
            c["keep_time"].toBool(),
            filter.isString(),
            {n(6), n(7), n(8)}};
}

// Per kind of photo (byte order, TIFF header position), the `perKind` photos
// with the smallest EXIF block whose three dates the first choice rewrites,
// each with the position just past its EXIF block.
inline std::vector<std::pair<std::string, std::size_t>> SmallestPerKind(std::size_t perKind) {
    static const QRegularExpression app1(R"(^APP1 'Exif'\(len (\d+)\)@(\d+))");
    std::map<std::string, std::map<std::size_t, std::string>> kinds;
    for (const std::string& name : CorpusNames()) {
        const QJsonValue e = CorpusEntry(name);
        if (e["write"]["W1"]["writes"].toArray().size() != 3) continue;
        for (const QJsonValue& seg : e["structure"]["segments"].toArray()) {
            const auto m = app1.match(seg.toString());
            if (!m.hasMatch()) continue;
            const std::string kind = e["structure"]["byte_order"].toString().toStdString() +
                                     std::to_string(e["expected"]["TiffBase"].toInt());
            kinds[kind][m.captured(2).toULongLong() + 1 + m.captured(1).toULongLong()] = name;
        }
    }
    std::vector<std::pair<std::string, std::size_t>> photos;
    for (const auto& [kind, byEnd] : kinds) {
        std::size_t taken = 0;
        for (const auto& [end, name] : byEnd) {
            if (taken++ < perKind) photos.emplace_back(name, end);
        }
    }
    return photos;
}

// Runs another program (the CLI, ExifTool, Exiv2): its exit code, -1 when it
// did not start or end normally, and its standard output.
struct ProcessResult {
    int exitCode = -1;
    std::string out;
};

inline ProcessResult RunProcess(const std::vector<std::string>& args) {
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    QProcess p;
    p.setStandardErrorFile(QProcess::nullDevice());
    p.start(list.takeFirst(), list);
    const bool ended = p.waitForFinished(-1) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1, p.readAllStandardOutput().toStdString()};
}

}  // namespace tovrin::test
