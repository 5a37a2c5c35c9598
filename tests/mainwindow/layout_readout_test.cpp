// The window's pure arithmetic (minimum size, layout) and the text of
// the photo information readout.

#include <utility>
#include <vector>

#include <QStringList>

#include <gtest/gtest.h>

#include "mainwindow/information_text.h"
#include "mainwindow/main_layout.h"

namespace tovrin {
namespace {

TEST(MainLayout, ResizeDecisionCorrectsHeightFirstAndOnlyBelowTheMinimum) {
    using A = ResizeAction;
    EXPECT_EQ(DecideResize(false, 12735, 7560), A::Layout);  // the exact minimum is kept
    EXPECT_EQ(DecideResize(false, 12735, 7559), A::SetHeight);
    EXPECT_EQ(DecideResize(false, 12734, 7560), A::SetWidth);
    EXPECT_EQ(DecideResize(false, 3000, 2000), A::SetHeight);
    EXPECT_EQ(DecideResize(true, 2400, 450), A::EnableOnly);
}

TEST(MainLayout, ClientWidth12615GivesTheWorkedExample) {
    const MainLayout l = ComputeMainLayout(12615, 6000);
    EXPECT_EQ((std::vector<float>{l.frame2Width, l.fraSetLeft, l.file1Left, l.infoColumnLeft,
                                  l.leftColumnWidth, l.frame2Height, l.txtExifInfoHeight,
                                  l.picBackHeight, l.mainBackHeight}),
              (std::vector<float>{8885, 8945, 2990, 5915, 2900, 4980, 4510, 1590, 6100}));
}

QStringList Lines(const QString& text) { return text.split(QStringLiteral("\r\n")); }

TEST(InformationText, FullPhotoShowsFourteenLines) {
    PhotoInfo info;
    info.PixelXDimension = 2048;
    info.PixelYDimension = 1536;
    info.DateTimeOriginal = "2006:05:04 10:11:12";
    info.DateTime = "1999:01:01 00:00:00";
    info.Make = "M\xE9tal";  // photo bytes show as Latin-1
    info.Model = "Canon PowerShot S40";
    const QString text = InformationText(info, LocalDateTime{2007, 1, 2, 0, 0, 0});
    EXPECT_EQ(Lines(text),
              (QStringList{"サイズ(横×縦)", "2048×1536", "", "埋込日付(撮影日時)",
                           "2006:05:04 10:11:12", "", "ファイル日付", "2007/01/02 00:00:00", "",
                           "メーカー名", "Métal", "", "モデル名", "Canon PowerShot S40"}));
    const QString shown = ToDisplayLines(text);
    EXPECT_FALSE(shown.contains(QLatin1Char('\r')));
    EXPECT_EQ(FromDisplayLines(shown), text);
    // Missing fields show as empty lines and a zero size.
    const QStringList none = Lines(InformationText(PhotoInfo{}, LocalDateTime{2024, 12, 31}));
    ASSERT_EQ(none.size(), 14);
    EXPECT_EQ(none[1] + none[4] + none[10] + none[13], QStringLiteral("0×0"));
}

}  // namespace
}  // namespace tovrin
