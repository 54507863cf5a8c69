#include "SchemePalette.h"

#include <QColor>
#include <initializer_list>
#include <utility>

namespace {

using TRoles = std::initializer_list<std::pair<QPalette::ColorRole, QColor>>;

// The roles for the active and inactive groups, then those that differ when disabled.
QPalette Palette(TRoles roles, TRoles disabled) {
    QPalette palette;
    for (const auto& [role, colour] : roles)
        palette.setColor(role, colour); // every group
    for (const auto& [role, colour] : disabled)
        palette.setColor(QPalette::Disabled, role, colour);
    return palette;
}

// A blue dark enough for white text on it in both schemes.
const QColor kHighlight(0x2f, 0x6f, 0xb0);

} // namespace

QPalette LightPalette() {
    const QColor text(0x00, 0x00, 0x00);
    const QColor faint(0x8c, 0x8c, 0x8c);
    return Palette(
        {
            {QPalette::Window, QColor(0xef, 0xef, 0xef)},
            {QPalette::WindowText, text},
            {QPalette::Base, QColor(0xff, 0xff, 0xff)},
            {QPalette::AlternateBase, QColor(0xf5, 0xf5, 0xf5)},
            {QPalette::ToolTipBase, QColor(0xff, 0xff, 0xdc)},
            {QPalette::ToolTipText, text},
            {QPalette::PlaceholderText, QColor(0x6a, 0x6a, 0x6a)},
            {QPalette::Text, text},
            {QPalette::Button, QColor(0xef, 0xef, 0xef)},
            {QPalette::ButtonText, text},
            {QPalette::BrightText, QColor(0xff, 0xff, 0xff)},
            {QPalette::Light, QColor(0xff, 0xff, 0xff)},
            {QPalette::Midlight, QColor(0xe3, 0xe3, 0xe3)},
            {QPalette::Mid, QColor(0xb8, 0xb8, 0xb8)},
            {QPalette::Dark, QColor(0x9f, 0x9f, 0x9f)},
            {QPalette::Shadow, QColor(0x76, 0x76, 0x76)},
            {QPalette::Highlight, kHighlight},
            {QPalette::HighlightedText, QColor(0xff, 0xff, 0xff)},
            {QPalette::Link, QColor(0x0b, 0x5c, 0xad)},
            {QPalette::LinkVisited, QColor(0x70, 0x34, 0xa8)},
        },
        {
            {QPalette::WindowText, faint},
            {QPalette::Text, faint},
            {QPalette::ButtonText, faint},
            {QPalette::Base, QColor(0xef, 0xef, 0xef)},
            {QPalette::Highlight, QColor(0x91, 0x91, 0x91)},
        });
}

QPalette DarkPalette() {
    const QColor text(0xe8, 0xe8, 0xe8);
    const QColor faint(0x7a, 0x7a, 0x7a);
    return Palette(
        {
            {QPalette::Window, QColor(0x2b, 0x2b, 0x2b)},
            {QPalette::WindowText, text},
            {QPalette::Base, QColor(0x1f, 0x1f, 0x1f)},
            {QPalette::AlternateBase, QColor(0x28, 0x28, 0x28)},
            {QPalette::ToolTipBase, QColor(0x3a, 0x3a, 0x3a)},
            {QPalette::ToolTipText, QColor(0xf0, 0xf0, 0xf0)},
            {QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a)},
            {QPalette::Text, text},
            {QPalette::Button, QColor(0x35, 0x35, 0x35)},
            {QPalette::ButtonText, text},
            {QPalette::BrightText, QColor(0xff, 0xff, 0xff)},
            // Bevels: lighter above the button's face, darker below it, as in the light scheme.
            {QPalette::Light, QColor(0x4a, 0x4a, 0x4a)},
            {QPalette::Midlight, QColor(0x40, 0x40, 0x40)},
            {QPalette::Mid, QColor(0x26, 0x26, 0x26)},
            {QPalette::Dark, QColor(0x1a, 0x1a, 0x1a)},
            {QPalette::Shadow, QColor(0x00, 0x00, 0x00)},
            {QPalette::Highlight, kHighlight},
            {QPalette::HighlightedText, QColor(0xff, 0xff, 0xff)},
            {QPalette::Link, QColor(0x6c, 0xb4, 0xff)},
            {QPalette::LinkVisited, QColor(0xb8, 0x9c, 0xff)},
        },
        {
            {QPalette::WindowText, faint},
            {QPalette::Text, faint},
            {QPalette::ButtonText, faint},
            {QPalette::Base, QColor(0x2b, 0x2b, 0x2b)},
            {QPalette::Highlight, QColor(0x50, 0x50, 0x50)},
            {QPalette::HighlightedText, QColor(0xbd, 0xbd, 0xbd)},
        });
}

bool IsDarkPalette(const QPalette& palette) {
    return palette.color(QPalette::Window).lightness() <
           palette.color(QPalette::WindowText).lightness();
}
