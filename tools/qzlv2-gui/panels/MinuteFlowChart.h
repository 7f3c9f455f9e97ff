#pragma once

#include <QMap>

#include <qwt_plot.h>

#include "tools/qzlv2-gui/Theme.h"

class QwtPlotCurve;

// The minute net capital flow as sticks (Up above the axis, Down below) over its running total
// across the session as a filled area, against the time of day; values in 10^4 of the capital
// fields, as the terminal shows them.
// Threads: main thread only.
namespace qzgui {

class MinuteFlowChart : public QwtPlot {
    Q_OBJECT
public:
    static constexpr double kShownUnit = 1e4 * 1e4;  // net_capital_flow is capital x 10^4

    explicit MinuteFlowChart(const Theme& theme, QWidget* parent = nullptr);

    // minute (hhmm) -> net_capital_flow
    void SetMinutes(const QMap<int, qint64>& minutes);
    const QwtPlotCurve& Inflows() const { return *in_; }
    const QwtPlotCurve& Outflows() const { return *out_; }
    const QwtPlotCurve& Total() const { return *total_; }

private:
    QwtPlotCurve* total_;  // owned by the plot
    QwtPlotCurve* in_;     // the minutes of net inflow
    QwtPlotCurve* out_;    // the minutes of net outflow
};

}  // namespace qzgui
