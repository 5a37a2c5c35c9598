// Where each photo's new moment comes from: its file's time (left to the
// engine), its name (a day alone, UTC names turned local), or a step in name
// order from the chosen moment; and the name order itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run/date_source.h"

namespace tovrin {
namespace {

const std::string NoDate = "ファイル名から日付を読み取れません";
const std::string OutOfYears = "日付が西暦1年から9999年の範囲を超えます";

struct Photo {
    std::size_t rank;
    std::string name;
    // "yyyy-mm-dd hh:mm:ss", with "+" when the photo keeps its time of day;
    // else why it is skipped.
    std::string want;
};

DateSource Source(CalendarDate date, TimeOfDay time, bool keepTime = false) {
    DateSource s;
    s.choice = {date, time, keepTime, true, {2001, 2, 3}};
    return s;
}

template <class... Photos>
void ExpectChoices(const DateSource& source, const Photos&... photos) {
    for (const Photo& p : {photos...}) {
        const SourcedChoice got = ChoiceForPhoto(source, p.rank, p.name);
        std::string text = got.skipped;
        if (const auto d = got.choice) {
            char moment[40];
            std::snprintf(moment, sizeof moment, "%04d-%02d-%02d %02d:%02d:%02d%s", d->date.year,
                          d->date.month, d->date.day, d->time.hour, d->time.minute, d->time.second,
                          d->keepTime ? "+" : "");
            text = moment;
            EXPECT_EQ(got.skipped, "");
            // The filter day holds for every photo, whatever its moment.
            EXPECT_TRUE(d->filterOn && d->filterDate == (CalendarDate{2001, 2, 3}));
        }
        EXPECT_EQ(text, p.want) << p.name << " #" << p.rank;
    }
}

TEST(ChoiceForPhoto, FileTimeIsLeftToTheEngine) {
    DateSource s = Source({2020, 1, 1}, {1, 2, 3}, true);
    s.fromFileTime = true;
    s.fromName = true;
    s.stepSeconds = 60;
    ExpectChoices(s, Photo{5, "IMG_20210314_121530.jpg", "2020-01-01 01:02:03+"});
}

TEST(ChoiceForPhoto, FromName) {
    DateSource s = Source({2020, 1, 1}, {8, 0, 0}, true);
    s.fromName = true;
    ExpectChoices(s, Photo{3, "IMG_20210314_121530.jpg", "2021-03-14 12:15:30"},
                  Photo{0, "IMG-20190704-WA0003.jpg", "2019-07-04 08:00:00+"},
                  Photo{0, "DSC_0001.JPG", NoDate}, Photo{0, "IMG_20210230_121530.jpg", NoDate});
    s.choice.keepTime = false;
    ExpectChoices(s, Photo{0, "IMG-20190704-WA0003.jpg", "2019-07-04 08:00:00"});
    s.namePattern = "写真{Y}{M}{D}-{h}{m}{s}";
    ExpectChoices(s, Photo{0, "写真20210314-010203.jpg", "2021-03-14 01:02:03"},
                  Photo{0, "IMG_20210314_121530.jpg", NoDate});
    s.namePattern = "{Y";  // a pattern that cannot be used reads no name
    ExpectChoices(s, Photo{0, "20210314", NoDate});
}

#ifndef _WIN32
TEST(ChoiceForPhoto, UtcNameBecomesLocal) {
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    DateSource s = Source({2020, 1, 1}, {8, 0, 0}, true);
    s.fromName = true;
    ExpectChoices(s, Photo{0, "PXL_20221231_153000123.jpg", "2023-01-01 00:30:00"},
                  Photo{0, "PXL_99991231_153000000.jpg", OutOfYears});
}
#endif

TEST(ChoiceForPhoto, Steps) {
    const auto stepped = [](CalendarDate date, TimeOfDay time, std::int64_t step) {
        DateSource s = Source(date, time, true);
        s.stepSeconds = step;
        return s;
    };
    ExpectChoices(stepped({2021, 3, 14}, {23, 59, 50}, 10), Photo{0, "a", "2021-03-14 23:59:50"},
                  Photo{2, "a", "2021-03-15 00:00:10"});
    ExpectChoices(stepped({2021, 2, 28}, {23, 59, 59}, 1), Photo{1, "a", "2021-03-01 00:00:00"});
    ExpectChoices(stepped({2024, 2, 28}, {23, 0, 0}, 3600), Photo{1, "a", "2024-02-29 00:00:00"});
    ExpectChoices(stepped({2020, 12, 31}, {23, 59, 0}, 30), Photo{3, "a", "2021-01-01 00:00:30"});
    ExpectChoices(stepped({9999, 12, 31}, {23, 59, 59}, 1), Photo{1, "a", OutOfYears});
    constexpr auto MostSeconds = std::numeric_limits<std::int64_t>::max();
    ExpectChoices(stepped({2021, 3, 14}, {0, 0, 0}, MostSeconds),
                  Photo{std::numeric_limits<std::size_t>::max(), "a", OutOfYears});
    ExpectChoices(stepped({2021, 3, 14}, {0, 0, 0}, MostSeconds / 2), Photo{3, "a", OutOfYears});
}

// Case only when nothing else differs, upper case (the smaller byte) first;
// leading zeros likewise, fewer first; digits between the bytes below and
// above them; equal names keep their places.
TEST(NameRanks, NameOrder) {
    using Names = std::vector<std::string>;
    using Ranks = std::vector<std::size_t>;
    const std::string nines(40, '9');
    const auto expect = [](const Names& names, const Ranks& ranks) {
        EXPECT_EQ(NameRanks(names), ranks) << names.front();
    };
    EXPECT_TRUE(NameRanks({}).empty());
    expect({"scan10.jpg", "scan2.jpg", "scan1.jpg"}, {2, 1, 0});
    expect({"scan2", "scan"}, {1, 0});
    expect({"B.jpg", "a.jpg", "A.jpg"}, {2, 1, 0});
    expect({"b1", "A2"}, {1, 0});
    expect({"x01", "x1", "x001", "x2"}, {1, 0, 2, 3});
    expect({"a01b", "a1c"}, {0, 1});
    expect({"a" + nines, "a1" + std::string(40, '0'), "a" + std::string(50, '0') + nines},
           {0, 2, 1});
    expect({"a_", "a1", "a."}, {2, 1, 0});
    expect({"z", "a", "a", "a"}, {3, 0, 1, 2});
}

}  // namespace
}  // namespace tovrin
