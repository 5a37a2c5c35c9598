#include "main_layout.h"

#include <cmath>
#include <tuple>

#include <gtest/gtest.h>

namespace tovrin {
namespace {

// One row of the resize decision: height is corrected before width, and only
// sizes strictly below the minimum are corrected.
struct DecisionCase {
    const char* name;
    bool minimized;
    float outerWidth;
    float outerHeight;
    ResizeAction expected;
};

class ResizeDecision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(ResizeDecision, FollowsTheMinimumRules) {
    const DecisionCase& c = GetParam();
    EXPECT_EQ(DecideResize(c.minimized, c.outerWidth, c.outerHeight), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, ResizeDecision,
    ::testing::Values(
        DecisionCase{"ExactMinimum", false, 12735, 7560, ResizeAction::Layout},
        DecisionCase{"Larger", false, 20000, 12000, ResizeAction::Layout},
        DecisionCase{"HeightOneTwipShort", false, 12735, 7559, ResizeAction::SetHeight},
        DecisionCase{"WidthOneTwipShort", false, 12734, 7560, ResizeAction::SetWidth},
        DecisionCase{"BothShortHeightFirst", false, 3000, 2000, ResizeAction::SetHeight},
        DecisionCase{"MinimizedTinyStillOnlyEnables", true, 2400, 450, ResizeAction::EnableOnly},
        DecisionCase{"MinimizedLarge", true, 20000, 12000, ResizeAction::EnableOnly}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(MainLayout, ClientWidth12615GivesTheWorkedExample) {
    const MainLayout l = ComputeMainLayout(12615, 6795);
    EXPECT_FLOAT_EQ(l.frame2Width, 8885);
    EXPECT_FLOAT_EQ(l.fraSetLeft, 8945);
    EXPECT_FLOAT_EQ(l.file1Left, 2990);
    EXPECT_FLOAT_EQ(l.infoColumnLeft, 5915);
    EXPECT_FLOAT_EQ(l.leftColumnWidth, 2900);
}

TEST(MainLayout, HeightsFollowTheClientHeight) {
    const MainLayout l = ComputeMainLayout(12615, 6000);
    EXPECT_FLOAT_EQ(l.frame2Height, 4980);
    EXPECT_FLOAT_EQ(l.fraSetHeight, 4980);
    EXPECT_FLOAT_EQ(l.file1Height, 4780);
    EXPECT_FLOAT_EQ(l.txtExifInfoHeight, 4510);
    EXPECT_FLOAT_EQ(l.picBackHeight, 1590);
    EXPECT_FLOAT_EQ(l.mainBackHeight, 6100);
}

TEST(MainLayout, TextAndThumbnailBoxFollowTheHeightTheListTook) {
    // A list of whole 195-twip rows rounds 4780 down to 24 rows, 4680.
    float asked = 0;
    const MainLayout l = ComputeMainLayout(12615, 6000, [&asked](float requested) {
        asked = requested;
        return std::floor(requested / 195.0f) * 195.0f;
    });
    EXPECT_FLOAT_EQ(asked, 4780);
    EXPECT_FLOAT_EQ(l.file1Height, 4680);
    EXPECT_FLOAT_EQ(l.txtExifInfoHeight, 4410);
    EXPECT_FLOAT_EQ(l.picBackHeight, 1490);
}

TEST(MainLayout, FileListAndInformationKeepTheirDistanceToThePanelEdge) {
    for (const float sw : {12615.0f, 15000.0f, 28800.0f}) {
        const MainLayout l = ComputeMainLayout(sw, 7000);
        EXPECT_FLOAT_EQ(l.frame2Width - l.file1Left, 5895) << sw;
        EXPECT_FLOAT_EQ(l.frame2Width - l.infoColumnLeft, 2970) << sw;
        EXPECT_FLOAT_EQ(l.fraSetLeft - l.frame2Width, 60) << sw;
        // The settings panel (3705 wide, inside a frame that starts at -45)
        // ends 10 twips short of the client's right edge at any width.
        EXPECT_FLOAT_EQ(sw - (l.fraSetLeft - 45 + 3705), 10) << sw;
    }
}

TEST(Twips, ConvertAtFifteenPerPixel) {
    const std::tuple<float, int> cases[] = {{0, 0},      {15, 1},   {8885, 592},
                                            {8880, 592}, {-45, -3}, {12735, 849},
                                            {7560, 504}, {22, 1},   {23, 2}};
    for (const auto& [twips, pixels] : cases) {
        EXPECT_EQ(TwipsToPixels(twips), pixels) << twips;
    }
    EXPECT_FLOAT_EQ(PixelsToTwips(841), 12615);
}

}  // namespace
}  // namespace tovrin
