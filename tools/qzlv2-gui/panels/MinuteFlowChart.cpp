#include "tools/qzlv2-gui/panels/MinuteFlowChart.h"

#include <qwt_plot_curve.h>
#include <qwt_scale_draw.h>

#include <cmath>

#include "tools/qzlv2-gui/panels/PlotStyle.h"

namespace qzgui {

namespace {

class MinuteScaleDraw : public QwtScaleDraw {
public:
    QwtText label(double value) const override {
        // whole minutes only: a short session's axis steps in parts of a minute
        return std::abs(value - std::round(value)) < 1e-6 ? QwtText(MinuteOfDayText(value))
                                                          : QwtText();
    }
};

QwtPlotCurve* Sticks(const QColor& colour) {
    auto* curve = new QwtPlotCurve;
    curve->setPen(colour, 3);
    curve->setStyle(QwtPlotCurve::Sticks);
    curve->setBaseline(0);
    return curve;
}

int MinuteOfDay(int hhmm) {
    return hhmm / 100 * 60 + hhmm % 100;
}

}  // namespace

MinuteFlowChart::MinuteFlowChart(const Theme& theme, QWidget* parent)
    : QwtPlot(parent),
      total_(new QwtPlotCurve),
      in_(Sticks(theme.Up())),
      out_(Sticks(theme.Down())) {
    StylePlot(*this, theme, QStringLiteral("minute net flow and session total (10^4)"));
    QColor area = theme.Line();
    area.setAlpha(60);
    total_->setBrush(area);
    total_->setPen(theme.Line(), 1);
    total_->setBaseline(0);
    total_->attach(this);
    in_->attach(this);
    out_->attach(this);
    SetBottomAxis(*this, new MinuteScaleDraw);
}

void MinuteFlowChart::SetMinutes(const QMap<int, qint64>& minutes) {
    QVector<QPointF> ins;
    QVector<QPointF> outs;
    QVector<QPointF> totals;
    double total = 0;
    for (auto it = minutes.begin(); it != minutes.end(); ++it) {
        const double x = MinuteOfDay(it.key());
        const double net = double(it.value()) / kShownUnit;
        total += net;
        (net >= 0 ? ins : outs) << QPointF(x, net);
        totals << QPointF(x, total);
    }
    in_->setSamples(ins);
    out_->setSamples(outs);
    total_->setSamples(totals);
    replot();
}

}  // namespace qzgui
