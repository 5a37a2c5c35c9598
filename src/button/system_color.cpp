#include "button/system_color.h"

#include <array>
#include <optional>

#include <QGuiApplication>

namespace tovrin {

namespace {

struct RoleOf {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The system colour indexes 0..30 in their order, each with the palette role
// that plays the same part in a Qt style. Index 25 has never named a colour.
constexpr std::array<std::optional<RoleOf>, 31> SystemColorRoles = {{
    RoleOf{QPalette::Active, QPalette::Button},             // 0 scroll bar
    RoleOf{QPalette::Active, QPalette::Dark},               // 1 desktop
    RoleOf{QPalette::Active, QPalette::Highlight},          // 2 active caption
    RoleOf{QPalette::Inactive, QPalette::Highlight},        // 3 inactive caption
    RoleOf{QPalette::Active, QPalette::Window},             // 4 menu
    RoleOf{QPalette::Active, QPalette::Base},               // 5 window background
    RoleOf{QPalette::Active, QPalette::Shadow},             // 6 window frame
    RoleOf{QPalette::Active, QPalette::WindowText},         // 7 menu text
    RoleOf{QPalette::Active, QPalette::Text},               // 8 window text
    RoleOf{QPalette::Active, QPalette::HighlightedText},    // 9 caption text
    RoleOf{QPalette::Active, QPalette::Button},             // 10 active border
    RoleOf{QPalette::Inactive, QPalette::Button},           // 11 inactive border
    RoleOf{QPalette::Active, QPalette::Dark},               // 12 application workspace
    RoleOf{QPalette::Active, QPalette::Highlight},          // 13 highlight
    RoleOf{QPalette::Active, QPalette::HighlightedText},    // 14 highlighted text
    RoleOf{QPalette::Active, QPalette::Button},             // 15 button face
    RoleOf{QPalette::Active, QPalette::Dark},               // 16 button shadow
    RoleOf{QPalette::Disabled, QPalette::Text},             // 17 grey text
    RoleOf{QPalette::Active, QPalette::ButtonText},         // 18 button text
    RoleOf{QPalette::Inactive, QPalette::HighlightedText},  // 19 inactive caption text
    RoleOf{QPalette::Active, QPalette::Light},              // 20 button highlight
    RoleOf{QPalette::Active, QPalette::Shadow},             // 21 3-D dark shadow
    RoleOf{QPalette::Active, QPalette::Midlight},           // 22 3-D light
    RoleOf{QPalette::Active, QPalette::ToolTipText},        // 23 tooltip text
    RoleOf{QPalette::Active, QPalette::ToolTipBase},        // 24 tooltip background
    std::nullopt,                                           // 25
    RoleOf{QPalette::Active, QPalette::Link},               // 26 hot-tracked item
    RoleOf{QPalette::Active, QPalette::Highlight},          // 27 active caption gradient
    RoleOf{QPalette::Inactive, QPalette::Highlight},        // 28 inactive caption gradient
    RoleOf{QPalette::Active, QPalette::Highlight},          // 29 menu highlight
    RoleOf{QPalette::Active, QPalette::Window},             // 30 flat menu bar
}};

}  // namespace

ColorValue SystemColor(std::uint32_t index, const QPalette& palette) {
    if (index >= SystemColorRoles.size() || !SystemColorRoles[index]) {
        return 0;
    }
    const RoleOf& r = *SystemColorRoles[index];
    return ValueFromColor(palette.color(r.group, r.role));
}

ColorValue TranslateColor(ColorValue color) {
    return TranslateColor(color, QGuiApplication::palette());
}

ColorValue TranslateColor(ColorValue color, const QPalette& palette) {
    if (color & SystemColorFlag) {
        color = SystemColor(color & ~SystemColorFlag, palette);
    }
    // The marker is a flag bit: setting it on a value that already carries it
    // must not carry into the next bit and name some other kind of colour.
    if (!(color & SystemColorFlag)) {
        color |= PaletteRelative;
    }
    return color;
}

QColor ColorFromValue(ColorValue color) {
    return QColor(int(color & 0xFFu), int((color >> 8) & 0xFFu), int((color >> 16) & 0xFFu));
}

ColorValue ValueFromColor(const QColor& color) {
    const QRgb rgb = color.rgb();
    return ColorValue(qRed(rgb)) | (ColorValue(qGreen(rgb)) << 8) | (ColorValue(qBlue(rgb)) << 16);
}

}  // namespace tovrin
