#pragma once

#include <functional>

#include "ui/twips.h"

namespace tovrin {

// The smallest outer size of the main window (frame, caption and menu bar
// included); it is also the size of a first start.
inline constexpr float MinimumOuterWidth = 12735.0f;
inline constexpr float MinimumOuterHeight = 7560.0f;

// What one resize of the main window has to do. Height is corrected before
// width, and a correction ends the handling: the corrected size produces a
// resize of its own, which then lays the window out.
enum class ResizeAction {
    EnableOnly,  // minimized: nothing moves, only the preview button is enabled
    SetHeight,   // grow the outer height to the minimum
    SetWidth,    // grow the outer width to the minimum
    Layout,      // lay the controls out, then enable the preview button
};

// The minimum is the design's unless the screen is smaller than that.
ResizeAction DecideResize(bool minimized, float outerWidth, float outerHeight,
                          float minimumWidth = MinimumOuterWidth,
                          float minimumHeight = MinimumOuterHeight);

// The numbers one layout gives to the controls that follow the window; every
// other control keeps its design rectangle. sw and sh are the client area
// (everything below the menu bar, toolbar and status bar included).
struct MainLayout {
    float frame2Width = 0;
    float frame2Height = 0;
    float fraSetHeight = 0;
    float fraSetLeft = 0;
    float file1Left = 0;
    float file1Height = 0;  // as the list settled it, not as requested
    float txtExifInfoHeight = 0;
    // The information column: txt_Exif_Info, lbl_File_Info and lbl_Back_Image(0).
    float infoColumnLeft = 0;
    // Drive1, Dir1 and PicBack share the width left of the file list.
    float leftColumnWidth = 0;
    float picBackHeight = 0;
    float mainBackWidth = 0;
    float mainBackHeight = 0;
};

// A list may not take every height it is given (one that shows whole rows
// rounds down); the text box and the thumbnail box follow the height the list
// actually took, so the caller sets it and reports it back.
using SettleHeight = std::function<float(float requested)>;

MainLayout ComputeMainLayout(float sw, float sh, const SettleHeight& settleFile1Height);
MainLayout ComputeMainLayout(float sw, float sh);

}  // namespace tovrin
