#include "tools/qzlv2-gui/panels/PlotStyle.h"

#include <qwt_plot.h>
#include <qwt_plot_canvas.h>
#include <qwt_plot_grid.h>
#include <qwt_scale_draw.h>
#include <qwt_text.h>

#include <cmath>

namespace qzgui {

namespace {
constexpr int kValueAxisExtent = 56;  // px
constexpr int kTimeAxisExtent = 24;   // px
}  // namespace

void StylePlot(QwtPlot& plot, const Theme& theme, const QString& title) {
    plot.setAutoReplot(false);
    plot.setCanvasBackground(theme.Ground());
    plot.setPalette(theme.Palette());
    QwtText heading(title);
    QFont font = plot.font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    heading.setFont(font);
    heading.setColor(theme.Text());
    plot.setTitle(heading);
    if (auto* canvas = qobject_cast<QwtPlotCanvas*>(plot.canvas())) {
        canvas->setFrameStyle(QFrame::NoFrame);
    }
    // Axes as wide whatever their labels' font: the canvas stays where it is.
    plot.axisScaleDraw(QwtPlot::yLeft)->setMinimumExtent(kValueAxisExtent);
    auto* grid = new QwtPlotGrid;  // owned by the plot
    grid->setPen(theme.Grid(), 0, Qt::DotLine);
    grid->attach(&plot);
}

void SetBottomAxis(QwtPlot& plot, QwtScaleDraw* draw) {
    draw->setMinimumExtent(kTimeAxisExtent);
    plot.setAxisScaleDraw(QwtPlot::xBottom, draw);
}

QString MinuteOfDayText(double minuteOfDay) {
    const int m = int(std::lround(minuteOfDay));
    return QStringLiteral("%1:%2")
        .arg(m / 60, 2, 10, QLatin1Char('0'))
        .arg(m % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace qzgui
