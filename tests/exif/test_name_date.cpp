// Dates read from file names: the names phones, messengers and cameras
// write, names that only look dated, impossible days and times, hostile
// names, and the user's own patterns.
#include <cstdio>
#include <optional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "exif/name_date.h"

namespace tovrin {
namespace {

using namespace std::string_literals;

struct NameCase {
    std::string name;
    // "yyyy-mm-dd", "yyyy-mm-dd hh:mm:ss", "... UTC"; "" for no match.
    std::string read;
    std::string pattern = {};
};

using C = NameCase;

template <class... Cases>
void ExpectReads(const Cases&... cases) {
    for (const NameCase& c : {cases...}) {
        const std::optional<NameDate> n = DateFromName(c.name, c.pattern);
        char text[40] = "";
        if (n) {
            const TimeOfDay t = n->time.value_or(TimeOfDay{});
            std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d%s", n->date.year,
                          n->date.month, n->date.day, t.hour, t.minute, t.second,
                          n->utc ? " UTC" : "");
            if (!n->time) text[10] = '\0';
        }
        EXPECT_EQ(text, c.read) << c.name.substr(0, 80) << " / " << c.pattern.substr(0, 80);
    }
}

const std::string T = "2021-03-14 12:15:30", Pxl = "2022-08-31 00:31:37 UTC";

// A name without an extension has dots in its time, not before one; a name
// with both a time and a lone day in it gives its time.
TEST(NameDate, BuiltInForms) {
    ExpectReads(
        C{"IMG_20210314_121530.jpg", T}, C{"IMG_20210314_121530_HDR.jpg", T},
        C{"IMG_20210314_121530~2.jpg", T}, C{"IMG_20210314_121530(1).jpg", T},
        C{"IMG_20210314_121530-edited.jpg", T}, C{"VID_20210314_121530.mp4", T},
        C{"20210314_121530.jpg", T}, C{"2021-03-14_12-15-30.jpg", T}, C{"20210314121530.jpg", T},
        C{"2021-03-14 12.15.30.jpg", T}, C{"2021-03-14 12.15.30-1.jpg", T},
        C{"2021-03-14 12.15.30 (2).jpg", T}, C{"2021-03-14 12.15.30", T},
        C{"PXL_20220831_003137144.jpg", Pxl}, C{"PXL_20220831_003137144.MP.jpg", Pxl},
        C{"PXL_20220831_003137144_MP.jpg", Pxl}, C{"PXL_20220831_003137144.NIGHT.jpg", Pxl},
        C{"PXL_20220831_003137144.PORTRAIT.jpg", Pxl},
        C{"Screenshot_20200101-101010.png", "2020-01-01 10:10:10"},
        C{"Screenshot_20200101-101010_Chrome.jpg", "2020-01-01 10:10:10"},
        C{"Screenshot_2020-01-01-10-10-10.png", "2020-01-01 10:10:10"},
        C{"signal-2021-03-14-121530.jpg", T}, C{"signal-2021-03-14-121530-2.jpg", T},
        C{"Screenshot 2020-01-01 at 10.10.10.png", "2020-01-01 10:10:10"},
        C{"Screen Shot 2019-05-01 at 3.45.12 PM.png", "2019-05-01 15:45:12"},
        C{"Screenshot 2023-01-01 at 12.05.00\u202FAM.png", "2023-01-01 00:05:00"},
        C{"スクリーンショット 2023-05-10 15.45.12.png", "2023-05-10 15:45:12"},
        C{"スクリーンショット 2023-05-10 午後3.45.12.png", "2023-05-10 15:45:12"},
        C{"IMG-20190704-WA0003.jpg", "2019-07-04"}, C{"運動会 2019-10-12.jpg", "2019-10-12"},
        C{"scan_20240229.tif", "2024-02-29"}, C{"20200101 IMG_20210314_121530.jpg", T});
}

// Counters, impossible days and times, and no day alone from a name whose
// time is impossible.
TEST(NameDate, NoDate) {
    ExpectReads(C{"DSC_0001.JPG", ""}, C{"DSC_12345678.JPG", ""}, C{"P1000123.JPG", ""},
                C{"123456789012.jpg", ""}, C{"202103141215301.jpg", ""}, C{"18991231.jpg", ""},
                C{"IMG_20210230_121530.jpg", ""}, C{"IMG_20211314_121530.jpg", ""},
                C{"IMG_20210314_240000.jpg", ""}, C{"IMG_20210314_250000.jpg", ""},
                C{"IMG_20210314_126000.jpg", ""}, C{"IMG_20210314_121560.jpg", ""},
                C{"IMG_00000101_121530.jpg", ""}, C{"PXL_20220831_253137144.jpg", ""},
                C{"2021-03-14 25.15.30", ""}, C{"2023-05-10 午後13.45.12.png", ""},
                C{"Screen Shot 2019-05-01 at 13.45.12 PM.png", ""},
                C{"IMG-20190231-WA0003.jpg", ""}, C{"", ""}, C{".", ""});
}

TEST(NameDate, HostileNames) {
    ExpectReads(C{std::string(100000, '1'), ""},
                C{std::string(100000, '1') + "_20210314_121530", T},
                C{std::string(50000, '-') + "IMG_20210314_121530", T},
                C{"IMG_2021\n0314_121530.jpg", ""}, C{"IMG_\xFF\xFE_20210314_121530\r.jpg", T},
                C{"\0IMG_20210314_121530\0.jpg"s, T}, C{"IMG_20210314\0_121530.jpg"s, "2021-03-14"},
                C{std::string(100000, 'a'), "", "{*}a{*}a{*}{Y}{M}{D}{*}"},
                C{std::string(100000, '1'), "", "{*}{Y}{M}{D}_{*}"});
}

// The whole name when the stem does not do; as few as will do, so the first
// date that fits, where a field out of range does not end the search.
TEST(NameDate, Patterns) {
    ExpectReads(C{"旅行_14-03-2021_121530.jpg", T, "旅行_{D}-{M}-{Y}_{h}{m}{s}"},
                C{"旅行_14-03-2021.jpg", "2021-03-14", "{*}_{D}-{M}-{Y}"},
                C{"a{2021}0314.jpg", "2021-03-14", "a{{{Y}}}{M}{D}"},
                C{"2021.03.14", "2021-03-14", "{Y}.{M}.{D}"},
                C{"x20210314y20220101y", "2021-03-14", "{*}{Y}{M}{D}y{*}"},
                C{"x20211314y20220101y", "2022-01-01", "{*}{Y}{M}{D}y{*}"},
                C{"photo_20210314.jpg", "", "{Y}{M}{D}"}, C{"20210230.jpg", "", "{Y}{M}{D}"},
                C{"20210314_246000.jpg", "", "{Y}{M}{D}_{h}{m}{s}"},
                C{"20210314.jpg", "", "{Y}{M}"}, C{"20210314", "", "x{Y}{M}{D}"});
}

// Each pattern with a part of its message ("" for none).
template <class... Cases>
void ExpectProblems(const Cases&... cases) {
    for (const auto& [pattern, part] : {cases...}) {
        const std::string problem = NamePatternProblem(pattern);
        EXPECT_TRUE(part.empty() ? problem.empty() : problem.find(part) != std::string::npos)
            << pattern << ": " << problem;
    }
}

TEST(NameDate, PatternProblems) {
    using P = std::pair<std::string, std::string>;
    ExpectProblems(P{"", ""}, P{"{Y}{M}{D}", ""}, P{"{*}_{Y}-{M}-{D} {h}.{m}.{s}{*}{*}", ""},
                   P{"{{{Y}}}{M}{D}}", ""}, P{"{x}{Y}{M}{D}", "「{x}」"}, P{"{y}{M}{D}", "「{y}」"},
                   P{"{Y}{M}{D", "閉じられて"}, P{"{Y}{M}{D}{", "閉じられて"},
                   P{"{Y}{D}", "{M} がありません"}, P{"{h}{m}{s}", "{Y} {M} {D} がありません"},
                   P{"{Y}{M}{D}{h}{m}", "三つそろえて"}, P{"{Y}{M}{D}{Y}", "{Y} が二度"});
}

}  // namespace
}  // namespace tovrin
