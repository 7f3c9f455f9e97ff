#pragma once

#include <QColor>
#include <QPalette>

// The colours of the quote window: up and down (red up, as this market shows it, or green up, as
// others do), the two sides of the book, the window's own colours, and a high-contrast variant
// (black ground, saturated colours, white text). Panels take every colour from here.
// Threads: a plain value.
namespace qzgui {

struct Theme {
    bool green_up = false;
    bool high_contrast = false;

    QColor Up() const;     // a rise, a buy, an inflow
    QColor Down() const;   // a fall, a sell, an outflow
    QColor Other() const;  // neither side (other deals)
    QColor Big() const;    // a big order's mark
    QColor Ground() const;
    QColor Text() const;
    QColor Grid() const;
    QColor Line() const;  // best bid and ask lines, the cumulative flow
    // The colour of a change: Up for > 0, Down for < 0, Text for 0.
    QColor ForChange(double change) const;
    // The application palette for the theme.
    QPalette Palette() const;
};

}  // namespace qzgui
