#pragma once

#include <QString>

#include "tools/qzlv2-gui/Theme.h"

class QwtPlot;
class QwtScaleDraw;

// What every chart of the window shares: the theme's ground, text and grid on a Qwt plot with
// no automatic replot (a panel replots once per frame, when its view changed), and axis labels.
// Threads: main thread only.
namespace qzgui {

void StylePlot(QwtPlot& plot, const Theme& theme, const QString& title);

// Gives the plot's bottom axis `draw` (owned by the plot), as tall whatever its labels' font.
void SetBottomAxis(QwtPlot& plot, QwtScaleDraw* draw);

// hh*60+mm -> "hh:mm"; for a time axis of minutes of the day.
QString MinuteOfDayText(double minuteOfDay);

}  // namespace qzgui
