// The redraw cost of one chart update with each charting library the quote window could use: a
// bar chart of 240 periods and a line of 240 minutes, new values every update, drawn into an
// image of the window's chart size, as ten updates a second would draw them. Qwt (which the
// window uses) always; Qt Charts when its development package is there (it is GPL-3 only for
// Qt 5, and only measured here, never shipped). Compare the two in the same run.
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <qwt_plot.h>
#include <qwt_plot_barchart.h>
#include <qwt_plot_curve.h>

#include <benchmark/benchmark.h>

#include <cmath>

#ifdef QZ_HAVE_QTCHARTS
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLineSeries>
#endif

namespace {

constexpr int kPoints = 240;
const QSize kChartSize(420, 280);  // px, a chart panel of the window

double Value(int i, int update) {
    return std::sin(0.1 * i + 0.3 * update) * 100.0;
}

void DrawQwt(benchmark::State& state) {
    QwtPlot plot;
    plot.setAutoReplot(false);
    plot.resize(kChartSize);
    auto* bars = new QwtPlotBarChart;
    bars->attach(&plot);
    auto* line = new QwtPlotCurve;
    line->attach(&plot);
    QImage image(kChartSize, QImage::Format_ARGB32_Premultiplied);
    int update = 0;
    for (auto _ : state) {
        QVector<double> values(kPoints);
        QVector<QPointF> points(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            values[i] = Value(i, update);
            points[i] = QPointF(i, Value(i, update + 7));
        }
        bars->setSamples(values);
        line->setSamples(points);
        plot.replot();
        plot.render(&image);
        ++update;
    }
}
BENCHMARK(DrawQwt)->Unit(benchmark::kMicrosecond);

#ifdef QZ_HAVE_QTCHARTS
void DrawQtCharts(benchmark::State& state) {
    auto* chart = new QtCharts::QChart;
    auto* set = new QtCharts::QBarSet("net");
    auto* bars = new QtCharts::QBarSeries;
    bars->append(set);
    auto* line = new QtCharts::QLineSeries;
    chart->addSeries(bars);
    chart->addSeries(line);
    chart->createDefaultAxes();
    QtCharts::QChartView view(chart);
    view.resize(kChartSize);
    QImage image(kChartSize, QImage::Format_ARGB32_Premultiplied);
    int update = 0;
    for (auto _ : state) {
        QList<qreal> values;
        QVector<QPointF> points(kPoints);
        for (int i = 0; i < kPoints; ++i) {
            values << Value(i, update);
            points[i] = QPointF(i, Value(i, update + 7));
        }
        set->remove(0, set->count());
        set->append(values);
        line->replace(points);
        static_cast<QWidget&>(view).render(&image);  // the widget, as it repaints
        ++update;
    }
}
BENCHMARK(DrawQtCharts)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
