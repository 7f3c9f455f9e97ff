#pragma once

#include <QWidget>

#include "tools/qzlv2-gui/Theme.h"
#include "tools/views/KlineFlowView.h"

class QComboBox;
class QScrollBar;
class QwtPlot;
class QwtPlotBarChart;

// The K-line capital-flow history as a bar chart: one bar per period, its net capital flow (Up
// above the axis, Down below), kVisibleBars at a time; a cycle selector (1 min .. year) above
// and a scroll bar below whose left end shows the oldest periods the plug-in has paged back so
// far (from its disk cache first). New periods keep the newest in sight unless the user scrolled
// back.
// Threads: main thread only.
namespace qzgui {

class KlineFlowChart : public QWidget {
    Q_OBJECT
public:
    static constexpr int kVisibleBars = 40;

    KlineFlowChart(const Theme& theme, QWidget* parent = nullptr);

    void SetCycle(const QString& cycle);
    void SetBars(const QMap<qint32, qzviews::FlowBar>& bars);
    // The periods in sight, oldest first.
    QList<qint32> ShownPeriods() const;
    QScrollBar& Scroll() const { return *scroll_; }
    QComboBox& CycleBox() const { return *cycles_; }

signals:
    void cycleChosen(const QString& cycle);

private:
    void ShowWindow();

    QComboBox* cycles_;
    QScrollBar* scroll_;
    QwtPlot* plot_;
    QwtPlotBarChart* bars_;      // owned by the plot
    QList<qint32> all_periods_;  // oldest first
    QVector<double> nets_;       // per period of all_periods_
    QList<qint32> periods_;      // in sight
};

}  // namespace qzgui
