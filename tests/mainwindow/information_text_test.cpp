#include "information_text.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace tovrin {
namespace {

QStringList Lines(const QString& text) { return text.split(QStringLiteral("\r\n")); }

TEST(InformationText, FullPhotoShowsFourteenLines) {
    PhotoInfo info;
    info.PixelXDimension = 2048;
    info.PixelYDimension = 1536;
    info.DateTimeOriginal = "2006:05:04 10:11:12";
    info.DateTime = "1999:01:01 00:00:00";
    info.Make = "Canon";
    info.Model = "Canon PowerShot S40";
    const QString text = InformationText(info, LocalDateTime{2007, 1, 23, 9, 5, 0});

    const QStringList expected{"サイズ(横×縦)",
                               "2048×1536",
                               "",
                               "埋込日付(撮影日時)",
                               "2006:05:04 10:11:12",
                               "",
                               "ファイル日付",
                               "2007/01/23 09:05:00",
                               "",
                               "メーカー名",
                               "Canon",
                               "",
                               "モデル名",
                               "Canon PowerShot S40"};
    EXPECT_EQ(Lines(text), expected);
    EXPECT_FALSE(text.endsWith(QStringLiteral("\n")));
    // The multiplication sign is U+00D7 in both places, never the letter x.
    EXPECT_EQ(text.count(QChar(0x00D7)), 2);
    // The other two stored dates are never shown.
    EXPECT_FALSE(text.contains(QStringLiteral("1999")));
}

TEST(InformationText, MissingFieldsShowAsEmptyLinesAndZeroSize) {
    const QStringList lines =
        Lines(InformationText(PhotoInfo{}, LocalDateTime{2024, 12, 31, 23, 59, 59}));
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[1], QStringLiteral("0×0"));
    EXPECT_EQ(lines[4], QString());
    EXPECT_EQ(lines[7], QStringLiteral("2024/12/31 23:59:59"));
    EXPECT_EQ(lines[10], QString());
    EXPECT_EQ(lines[13], QString());
}

TEST(InformationText, FileTimeAtMidnightKeepsItsTime) {
    // Unlike the general-date form of the reader, the readout always shows the time.
    const QStringList lines =
        Lines(InformationText(PhotoInfo{}, LocalDateTime{2007, 1, 2, 0, 0, 0}));
    EXPECT_EQ(lines[7], QStringLiteral("2007/01/02 00:00:00"));
}

TEST(InformationText, PhotoBytesShowAsLatin1) {
    PhotoInfo info;
    info.Make = "M\xE9tal";
    info.Model = std::string("A\xFF", 2);
    const QStringList lines = Lines(InformationText(info, LocalDateTime{2007, 1, 2, 3, 4, 5}));
    EXPECT_EQ(lines[10], QString::fromUtf8("Métal"));
    EXPECT_EQ(lines[13], QString::fromUtf8("Aÿ"));
}

TEST(InformationText, DisplayRoundTripKeepsCrLf) {
    const QString text = InformationText(PhotoInfo{}, LocalDateTime{2007, 1, 2, 3, 4, 5});
    const QString shown = ToDisplayLines(text);
    EXPECT_FALSE(shown.contains(QLatin1Char('\r')));
    EXPECT_EQ(shown.count(QLatin1Char('\n')), 13);
    EXPECT_EQ(FromDisplayLines(shown), text);
}

}  // namespace
}  // namespace tovrin
