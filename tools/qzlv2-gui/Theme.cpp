#include "tools/qzlv2-gui/Theme.h"

namespace qzgui {

namespace {
const QColor kRed(0xd0, 0x21, 0x2a);
const QColor kGreen(0x1a, 0x9a, 0x3c);
const QColor kBrightRed(0xff, 0x30, 0x30);
const QColor kBrightGreen(0x30, 0xff, 0x50);
}  // namespace

QColor Theme::Up() const {
    const QColor red = high_contrast ? kBrightRed : kRed;
    const QColor green = high_contrast ? kBrightGreen : kGreen;
    return green_up ? green : red;
}

QColor Theme::Down() const {
    const QColor red = high_contrast ? kBrightRed : kRed;
    const QColor green = high_contrast ? kBrightGreen : kGreen;
    return green_up ? red : green;
}

QColor Theme::Other() const {
    return high_contrast ? QColor(0x40, 0xa0, 0xff) : QColor(0x80, 0x80, 0x90);
}

QColor Theme::Big() const {
    return high_contrast ? QColor(0xff, 0xff, 0x00) : QColor(0xe0, 0x8a, 0x00);
}

QColor Theme::Ground() const {
    return high_contrast ? Qt::black : QColor(0xfa, 0xfa, 0xf7);
}

QColor Theme::Text() const {
    return high_contrast ? Qt::white : QColor(0x20, 0x20, 0x28);
}

QColor Theme::Grid() const {
    return high_contrast ? QColor(0x60, 0x60, 0x60) : QColor(0xd8, 0xd8, 0xd8);
}

QColor Theme::Line() const {
    return high_contrast ? Qt::cyan : QColor(0x20, 0x50, 0xc0);
}

QColor Theme::ForChange(double change) const {
    return change > 0 ? Up() : change < 0 ? Down() : Text();
}

QPalette Theme::Palette() const {
    QPalette p;
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base, QPalette::Button}) {
        p.setColor(role, Ground());
    }
    p.setColor(QPalette::AlternateBase, Ground().darker(104));
    for (QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::ToolTipText}) {
        p.setColor(role, Text());
    }
    p.setColor(QPalette::ToolTipBase, Ground());
    p.setColor(QPalette::Highlight, Line());
    p.setColor(QPalette::HighlightedText, high_contrast ? Qt::black : Qt::white);
    return p;
}

}  // namespace qzgui
