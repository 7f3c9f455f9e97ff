#include "tools/qzlv2-gui/panels/KlineFlowChart.h"

#include <QComboBox>
#include <QScrollBar>
#include <QVBoxLayout>

#include <qwt_column_symbol.h>
#include <qwt_plot.h>
#include <qwt_plot_barchart.h>
#include <qwt_scale_draw.h>

#include "tools/qzlv2-gui/panels/PlotStyle.h"

namespace qzgui {

namespace {

constexpr double kShownUnit = 1e4 * 1e4;  // net_capital_flow is capital x 10^4; shown in 10^4
constexpr int kLabelEvery = 13;           // periods between two labelled ones

// Each bar in the colour of its sign.
class SignedBars : public QwtPlotBarChart {
public:
    explicit SignedBars(const Theme& theme) : theme_(theme) {}

protected:
    QwtColumnSymbol* specialSymbol(int, const QPointF& sample) const override {
        auto* symbol = new QwtColumnSymbol(QwtColumnSymbol::Box);
        symbol->setFrameStyle(QwtColumnSymbol::NoFrame);
        symbol->setPalette(QPalette(sample.y() >= 0 ? theme_.Up() : theme_.Down()));
        return symbol;
    }

private:
    const Theme& theme_;
};

// Bar i is labelled with its period (yyyyMMdd), given the periods in sight.
class PeriodScaleDraw : public QwtScaleDraw {
public:
    explicit PeriodScaleDraw(const QList<qint32>& periods) : periods_(periods) {}
    QwtText label(double value) const override {
        const int i = int(value + 0.5);
        return i >= 0 && i < periods_.size() ? QwtText(QString::number(periods_[i])) : QwtText();
    }

private:
    const QList<qint32>& periods_;
};

}  // namespace

KlineFlowChart::KlineFlowChart(const Theme& theme, QWidget* parent)
    : QWidget(parent),
      cycles_(new QComboBox(this)),
      scroll_(new QScrollBar(Qt::Horizontal, this)),
      plot_(new QwtPlot(this)),
      bars_(new SignedBars(theme)) {
    cycles_->addItems(qzviews::KlineFlowView::Cycles());
    StylePlot(*plot_, theme, QStringLiteral("net capital flow per period (10^4)"));
    bars_->setLayoutPolicy(QwtPlotAbstractBarChart::ScaleSamplesToAxes);
    bars_->setLayoutHint(0.7);  // of the axis unit between two periods
    bars_->attach(plot_);
    SetBottomAxis(*plot_, new PeriodScaleDraw(periods_));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(cycles_);
    layout->addWidget(plot_, 1);
    layout->addWidget(scroll_);
    connect(cycles_, &QComboBox::currentTextChanged, this, &KlineFlowChart::cycleChosen);
    connect(scroll_, &QScrollBar::valueChanged, this, [this] { ShowWindow(); });
}

void KlineFlowChart::SetCycle(const QString& cycle) {
    QSignalBlocker quiet(cycles_);
    cycles_->setCurrentText(cycle);
}

void KlineFlowChart::SetBars(const QMap<qint32, qzviews::FlowBar>& bars) {
    const bool atNewest = scroll_->value() == scroll_->maximum();
    nets_.clear();
    QList<qint32> periods;
    for (auto it = bars.begin(); it != bars.end(); ++it) {
        periods << it.key();
        nets_ << double(it.value().net_capital_flow) / kShownUnit;
    }
    const int newest = qMax(0, int(nets_.size()) - kVisibleBars);
    // Pages that arrive add older periods on the left: the periods in sight stay in sight.
    const int kept = periods_.isEmpty() ? -1 : int(periods.indexOf(periods_.first()));
    const int first = atNewest || kept < 0 ? newest : qMin(kept, newest);
    all_periods_ = periods;
    QSignalBlocker quiet(scroll_);
    scroll_->setRange(0, newest);
    scroll_->setPageStep(kVisibleBars);
    scroll_->setValue(first);
    ShowWindow();
}

void KlineFlowChart::ShowWindow() {
    const int first = scroll_->value();
    periods_ = all_periods_.mid(first, kVisibleBars);
    bars_->setSamples(nets_.mid(first, kVisibleBars));
    plot_->setAxisScale(QwtPlot::xBottom, -0.5, kVisibleBars - 0.5, kLabelEvery);
    plot_->setAxisMaxMinor(QwtPlot::xBottom, 0);
    plot_->replot();
}

QList<qint32> KlineFlowChart::ShownPeriods() const {
    return periods_;
}

}  // namespace qzgui
