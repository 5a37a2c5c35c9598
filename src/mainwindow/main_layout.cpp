#include "mainwindow/main_layout.h"

namespace tovrin {

ResizeAction DecideResize(bool minimized, float outerWidth, float outerHeight, float minimumWidth,
                          float minimumHeight) {
    if (minimized) {
        return ResizeAction::EnableOnly;
    }
    if (outerHeight < minimumHeight) {
        return ResizeAction::SetHeight;
    }
    if (outerWidth < minimumWidth) {
        return ResizeAction::SetWidth;
    }
    return ResizeAction::Layout;
}

MainLayout ComputeMainLayout(float sw, float sh, const SettleHeight& settleFile1Height) {
    // The order matters: the file list's height is set first and read back,
    // and the text box and thumbnail box are derived from what it took.
    MainLayout l;
    l.frame2Width = sw - 3730.0f;
    l.frame2Height = sh - 1020.0f;
    l.fraSetHeight = sh - 1020.0f;
    l.fraSetLeft = l.frame2Width + 60.0f;
    l.file1Left = l.frame2Width - 5895.0f;
    l.file1Height = settleFile1Height(l.frame2Height - 200.0f);
    l.txtExifInfoHeight = l.file1Height - 270.0f;
    l.infoColumnLeft = l.frame2Width - 2970.0f;
    l.leftColumnWidth = l.file1Left - 90.0f;
    l.picBackHeight = l.file1Height - 3190.0f;
    l.mainBackWidth = sw + 100.0f;
    l.mainBackHeight = sh + 100.0f;
    return l;
}

MainLayout ComputeMainLayout(float sw, float sh) {
    return ComputeMainLayout(sw, sh, [](float requested) { return requested; });
}

}  // namespace tovrin
