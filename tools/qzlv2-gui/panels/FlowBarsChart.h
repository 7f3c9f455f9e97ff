#pragma once

#include <qwt_plot.h>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/FlowClasses.h"

class QwtPlotMultiBarChart;

// Capital flow by order size as two stacked bars: what came in (buy-initiated, in shades of Up)
// and what went out (sell-initiated, in shades of Down), each stacked from the extra-large
// orders at the bottom (darkest) to the little ones on top (lightest).
// Threads: main thread only.
namespace qzgui {

class FlowBarsChart : public QwtPlot {
    Q_OBJECT
public:
    FlowBarsChart(const Theme& theme, const QString& title, QWidget* parent = nullptr);

    void SetClasses(const QList<qzviews::FlowClass>& classes);
    // The two stacks as drawn: in, then out, each by class (extra-large first).
    QVector<QVector<double>> Stacks() const;

private:
    QwtPlotMultiBarChart* bars_;  // owned by the plot
};

}  // namespace qzgui
