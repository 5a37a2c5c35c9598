// Every sample of every container, checked against ExifTool: what Tovrin
// reads, what a change does to every date ExifTool reports and to every
// other tag, and the way back.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "exif/paths.h"
#include "exif/photo_file.h"
#include "exif/photo_update.h"
#include "exif/reader.h"
#include "run_process.h"
#include "test_files.h"

namespace tovrin {
namespace {

using nlohmann::json;

const DateChoice NewMoment{{2020, 1, 2}, {3, 4, 5}, false, false, {}};

std::string Samples() { return test::FormatSamples(); }

bool HaveExifTool() { return test::RunProcess({"exiftool", "-ver"}).exitCode == 0; }

// Every tag ExifTool reads, duplicates apart ("Group:Tag" and a copy number).
json ExifToolTags(const std::string& path) {
    const auto run = test::RunProcess({"exiftool", "-j", "-a", "-G1", "-s", "-api",
                                       "QuickTimeUTC=0", "-api", "LargeFileSupport=1", path});
    const json all = json::parse(run.out, nullptr, false);
    if (!all.is_array() || all.empty()) return json::object();
    json tags = all[0];
    // What a change of the dates must change, or may: the file's own times
    // and names, what ExifTool computes from other tags.
    for (auto it = tags.begin(); it != tags.end();) {
        const std::string key = it.key();
        const bool volatileTag = key.rfind("System:", 0) == 0 || key.rfind("File:", 0) == 0 ||
                                 key.rfind("Composite:", 0) == 0 || key == "SourceFile" ||
                                 key.rfind("ExifTool:", 0) == 0;
        it = volatileTag ? tags.erase(it) : std::next(it);
    }
    return tags;
}

// The dates that stand for the moment of capture (or of the file's last
// change, which a change of date sets too): every one must follow a change.
// GPS times are UTC by definition, ICC profile dates are the profile's,
// MetadataDate and history say when the metadata was edited, maker notes
// keep their own layouts; SubSecTime and zones are not moments.
bool IsCaptureDate(const std::string& key) {
    const auto colon = key.find(':');
    const std::string group = key.substr(0, colon);
    const std::string tag = key.substr(colon + 1);
    static const std::set<std::string> names = {
        "ModifyDate",      "DateTimeOriginal",    "CreateDate",          "DateCreated",
        "TimeCreated",     "DigitalCreationDate", "DigitalCreationTime", "DateTimeDigitized",
        "DateTime",        "TrackCreateDate",     "TrackModifyDate",     "MediaCreateDate",
        "MediaModifyDate", "ContentCreateDate",   "CreationDate"};
    if (!names.count(tag)) return false;
    return group != "ICC-header" && group != "GPS" && group.rfind("XMP-xmpMM", 0) != 0;
}

// Whether a date as ExifTool shows it names 2020-01-02 03:04:05 in the parts
// it has (a year, a date, a time; fractions as zeros; any zone).
bool NamesNewMoment(const std::string& value) {
    const std::string full = "2020:01:02 03:04:05";
    if (value.rfind(full, 0) == 0) {
        const std::string rest = value.substr(full.size());
        // Fractions become zeros; a zone may follow.
        std::size_t i = 0;
        if (i < rest.size() && rest[i] == '.') {
            ++i;
            while (i < rest.size() && rest[i] == '0') ++i;
        }
        return i == rest.size() || rest[i] == '+' || rest[i] == '-' || rest[i] == 'Z';
    }
    if (value == "2020:01:02" || value == "2020" || value == "2020:01") return true;
    return value.rfind("03:04:05", 0) == 0;  // an IPTC time
}

// 2020-01-02 03:04:05 at a zone ("+09:00"), in UTC as ExifTool shows it.
std::string UtcOfNewMoment(const json& zone) {
    const std::string z = zone.get<std::string>();
    const int minutes =
        (std::stoi(z.substr(1, 2)) * 60 + std::stoi(z.substr(4, 2))) * (z[0] == '-' ? -1 : 1);
    int total = (2 * 24 + 3) * 60 + 4 - minutes;  // minutes from 2020-01-00 00:00
    const int day = total / (24 * 60);
    total %= 24 * 60;
    char text[32];
    std::snprintf(text, sizeof text, "2020:01:%02d %02d:%02d:05", day, total / 60, total % 60);
    return text;
}

std::vector<std::string> SampleNames() {
    std::vector<std::string> names;
    const std::string samples = Samples();
    if (samples.empty()) return {"(no samples)"};
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(NativePath(samples), ec)) {
        const std::string name = entry.path().filename().string();
        if (name == "SOURCES.md" || name.size() < 4 || name.substr(name.size() - 4) == ".xmp")
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class FormatSample : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
#ifndef _WIN32
        // Movies and PNG keep UTC: in UTC the new moment reads the same in
        // every date ExifTool shows.
        setenv("TZ", "UTC", 1);
        tzset();
#endif
        samples = Samples();
        if (samples.empty()) GTEST_SKIP() << "no corpus of sample formats";
        if (!HaveExifTool()) GTEST_SKIP() << "exiftool is not installed";
    }
    std::string samples;
};

// Each value of ExifTool's tags of one name, whatever its group.
std::vector<std::string> ValuesOf(const json& tags, const std::string& group,
                                  const std::string& tag) {
    std::vector<std::string> values;
    for (auto it = tags.begin(); it != tags.end(); ++it) {
        const std::string key = it.key();
        if (key.rfind(group + ":", 0) == 0 && key.substr(key.find(':') + 1) == tag &&
            it->is_string())
            values.push_back(it->get<std::string>());
    }
    return values;
}

TEST_P(FormatSample, ReadsTheDatesExifToolReads) {
    const std::string path = samples + GetParam();
    const json tags = ExifToolTags(path);
    PhotoInfo info;
    ReadPhotoInfo(FolderPath(samples), GetParam(), info);
    const auto agrees = [&](std::string ours, const std::string& group, const std::string& tag) {
        // ExifTool shows texts without the blanks that pad them.
        while (!ours.empty() && (ours.back() == ' ' || ours.back() == '\0')) ours.pop_back();
        const auto theirs = ValuesOf(tags, group, tag);
        if (theirs.empty()) return;
        EXPECT_NE(std::find(theirs.begin(), theirs.end(), ours), theirs.end())
            << group << ":" << tag << " is " << theirs.front() << ", read " << ours;
    };
    agrees(info.DateTimeOriginal, "ExifIFD", "DateTimeOriginal");
    agrees(info.DateTimeDigitized, "ExifIFD", "CreateDate");
    agrees(info.DateTime, "IFD0", "ModifyDate");
    agrees(info.Make, "IFD0", "Make");
    agrees(info.Model, "IFD0", "Model");
}

TEST_P(FormatSample, ASetMovesEveryDateAndNothingElseAndUndoGivesTheFileBack) {
    test::TempDir dir;
    const std::string name = GetParam();
    const std::string path = dir.copy(samples + name, name);
    const auto before = test::ReadBytes(path);
    const json tagsBefore = ExifToolTags(path);

    std::optional<PendingChange> change;
    ChangeOptions options;
    options.beforeWrite = [&](const PendingChange& c) { change = c; };
    const PhotoDateUpdate update = UpdatePhotoDate(dir.folder(), name, NewMoment, options);
    const auto after = test::ReadBytes(path);
    ASSERT_EQ(after.size(), before.size()) << "the length changed";
    const json tagsAfter = ExifToolTags(path);

    bool anyDate = false;
    for (auto it = tagsBefore.begin(); it != tagsBefore.end(); ++it) {
        const std::string key = it.key();
        ASSERT_TRUE(tagsAfter.contains(key)) << key << " is gone";
        const json& now = tagsAfter[key];
        if (!IsCaptureDate(key)) {
            EXPECT_EQ(now, *it) << key << " changed";
            continue;
        }
        anyDate = true;
        // What the run names as left is reported, not moved.
        const bool left = std::any_of(
            update.copiesLeft.begin(), update.copiesLeft.end(), [&](const std::string& why) {
                return why.find(key.substr(key.find(':') + 1)) != std::string::npos;
            });
        if (left) continue;
        // A year alone reads as a number.
        const std::string text = now.is_string() ? now.get<std::string>() : now.dump();
        // A PNG's tIME is UTC: the new local moment at the zone the photo states.
        if (key == "PNG:ModifyDate" && tagsBefore.contains("ExifIFD:OffsetTimeOriginal")) {
            EXPECT_EQ(text, UtcOfNewMoment(tagsBefore["ExifIFD:OffsetTimeOriginal"]))
                << key << " after the change";
            continue;
        }
        EXPECT_TRUE(NamesNewMoment(text)) << key << " reads " << text << " after the change";
    }
    for (auto it = tagsAfter.begin(); it != tagsAfter.end(); ++it)
        EXPECT_TRUE(tagsBefore.contains(it.key())) << it.key() << " is new";
    EXPECT_EQ(update.result.changed, anyDate);
    if (!update.result.changed) {
        EXPECT_EQ(after, before) << "a file without dates was written";
        return;
    }

    ASSERT_TRUE(change.has_value());
    EXPECT_EQ(RestorePhotoDates(*change), Restore::Restored);
    EXPECT_EQ(test::ReadBytes(path), before) << "undo did not give the file back byte for byte";
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatSample, ::testing::ValuesIn(SampleNames()),
                         [](const auto& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

}  // namespace
}  // namespace tovrin
