#include "tools/qzlv2-gui/panels/FlowBarsChart.h"

#include <qwt_column_symbol.h>
#include <qwt_plot_multi_barchart.h>
#include <qwt_scale_draw.h>

#include "tools/qzlv2-gui/panels/PlotStyle.h"

namespace qzgui {

namespace {

constexpr int kClasses = 4;  // extra-large, large, medium, little

class SideScaleDraw : public QwtScaleDraw {
public:
    QwtText label(double value) const override {
        const int i = int(value + 0.5);
        return i == 0 ? QwtText("in") : i == 1 ? QwtText("out") : QwtText();
    }
};

// The colour of class `c` on a side: the side's colour, lighter for smaller orders.
class SideStacks : public QwtPlotMultiBarChart {
public:
    explicit SideStacks(const Theme& theme) : theme_(theme) {}

protected:
    QwtColumnSymbol* specialSymbol(int sampleIndex, int valueIndex) const override {
        const QColor side = sampleIndex == 0 ? theme_.Up() : theme_.Down();
        auto* symbol = new QwtColumnSymbol(QwtColumnSymbol::Box);
        symbol->setFrameStyle(QwtColumnSymbol::NoFrame);
        symbol->setPalette(QPalette(side.lighter(100 + 30 * valueIndex)));
        return symbol;
    }

private:
    const Theme& theme_;
};

}  // namespace

FlowBarsChart::FlowBarsChart(const Theme& theme, const QString& title, QWidget* parent)
    : QwtPlot(parent), bars_(new SideStacks(theme)) {
    StylePlot(*this, theme, title);
    bars_->setStyle(QwtPlotMultiBarChart::Stacked);
    bars_->setLayoutPolicy(QwtPlotAbstractBarChart::ScaleSamplesToAxes);
    bars_->setLayoutHint(0.6);  // of the axis unit between the two stacks
    bars_->attach(this);
    SetBottomAxis(*this, new SideScaleDraw);
    setAxisScale(QwtPlot::xBottom, -0.5, 1.5, 1);
    setAxisMaxMinor(QwtPlot::xBottom, 0);
}

void FlowBarsChart::SetClasses(const QList<qzviews::FlowClass>& classes) {
    QVector<double> in;
    QVector<double> out;
    for (const qzviews::FlowClass& c : classes.mid(0, kClasses)) {
        in << double(c.in);
        out << double(c.out);
    }
    bars_->setSamples(QVector<QVector<double>>{in, out});
    replot();
}

QVector<QVector<double>> FlowBarsChart::Stacks() const {
    QVector<QVector<double>> stacks;
    for (size_t i = 0; i < bars_->dataSize(); ++i) {
        stacks << bars_->sample(int(i)).set;
    }
    return stacks;
}

}  // namespace qzgui
