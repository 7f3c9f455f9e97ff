#pragma once

#include <qwt_plot.h>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/DepthHistoryView.h"
#include "tools/views/LargeDealView.h"

class QwtPlotCurve;

// The book over the last minutes as a heatmap: time of day across, price up, one cell per price
// of each book (Up shades for bids, Down shades for asks, stronger for more resting lots), the
// best bid and ask as lines, and the large deals as marks where and when they traded. Hovering a
// cell lists its queued orders, big ones marked *like this* (CellText).
// Threads: main thread only.
namespace qzgui {

class DepthCells;

class DepthHeatmap : public QwtPlot {
    Q_OBJECT
public:
    explicit DepthHeatmap(const Theme& theme, QWidget* parent = nullptr);

    void SetDepth(const QList<qzviews::DepthColumn>& columns,
                  const QList<qzviews::LargeDealView::Deal>& deals);
    // What hovering at (seconds of the day, price) lists; empty off the cells.
    QString CellText(double secondOfDay, double price) const;
    const QwtPlotCurve& BestBid() const { return *bid_; }
    const QwtPlotCurve& BestAsk() const { return *ask_; }
    const QwtPlotCurve& Deals() const { return *deals_; }

private:
    DepthCells* cells_;  // owned by the plot
    QwtPlotCurve* bid_;
    QwtPlotCurve* ask_;
    QwtPlotCurve* deals_;
};

// Host clock ms -> seconds of the (local) day, the heatmap's x.
double SecondOfDay(qint64 ms);

}  // namespace qzgui
