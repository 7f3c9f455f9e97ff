#include "tools/qzlv2-gui/panels/DepthHeatmap.h"

#include <QDateTime>
#include <QPainter>

#include <qwt_plot_curve.h>
#include <qwt_plot_item.h>
#include <qwt_plot_picker.h>
#include <qwt_scale_draw.h>
#include <qwt_scale_map.h>
#include <qwt_symbol.h>

#include <algorithm>
#include <cmath>

#include "tools/qzlv2-gui/panels/PlotStyle.h"

namespace qzgui {

namespace {

constexpr double kLastColumnSeconds = 1.0;  // width of the newest column
constexpr double kDefaultTick = 0.01;       // price step when a column shows no two prices
constexpr int kTimeLabels = 3;              // at most, on the time axis

class SecondScaleDraw : public QwtScaleDraw {
public:
    QwtText label(double value) const override {
        const int s = int(value + 0.5);
        return QStringLiteral("%1:%2")
            .arg(MinuteOfDayText(s / 60))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    }
};

// The smallest gap between two prices of the columns: a cell's height.
double Tick(const QList<qzviews::DepthColumn>& columns) {
    double tick = 0;
    for (const qzviews::DepthColumn& c : columns) {
        for (int i = 1; i < c.levels.size(); ++i) {
            const double gap = std::abs(c.levels[i].price - c.levels[i - 1].price);
            if (gap > 1e-9 && (tick == 0 || gap < tick)) {
                tick = gap;
            }
        }
    }
    return tick > 0 ? tick : kDefaultTick;
}

QString QueueText(const qzviews::DepthLevel& level) {
    QStringList orders;
    for (int i = 0; i < level.queue.size(); ++i) {
        const QString lots = QString::number(level.queue[i]);
        orders << (level.big.contains(i) ? QStringLiteral("*%1*").arg(lots) : lots);
    }
    return orders.join(QLatin1Char(' '));
}

}  // namespace

double SecondOfDay(qint64 ms) {
    return QDateTime::fromMSecsSinceEpoch(ms).time().msecsSinceStartOfDay() / 1000.0;
}

// The cells: column i spans from its time to the next column's.
class DepthCells : public QwtPlotItem {
public:
    explicit DepthCells(const Theme& theme) : theme_(theme) { setZ(0); }

    void SetColumns(const QList<qzviews::DepthColumn>& columns) {
        columns_ = columns;
        tick_ = Tick(columns);
        most_ = 1;
        for (const qzviews::DepthColumn& c : columns_) {
            for (const qzviews::DepthLevel& l : c.levels) {
                most_ = std::max(most_, l.lots);
            }
        }
    }

    int rtti() const override { return QwtPlotItem::Rtti_PlotUserItem; }

    QRectF boundingRect() const override {
        if (columns_.isEmpty()) {
            return QRectF(1.0, 1.0, -2.0, -2.0);  // invalid: no cells
        }
        double low = 0;
        double high = 0;
        for (const qzviews::DepthColumn& c : columns_) {
            for (const qzviews::DepthLevel& l : c.levels) {
                low = low == 0 ? l.price : std::min(low, l.price);
                high = std::max(high, l.price);
            }
        }
        const double left = X(0);
        return QRectF(left, low - tick_, X(columns_.size()) - left, high - low + 2 * tick_);
    }

    void draw(QPainter* painter, const QwtScaleMap& xMap, const QwtScaleMap& yMap,
              const QRectF&) const override {
        for (int i = 0; i < columns_.size(); ++i) {
            const double x0 = xMap.transform(X(i));
            const double x1 = xMap.transform(X(i + 1));
            for (const qzviews::DepthLevel& l : columns_[i].levels) {
                const double y0 = yMap.transform(l.price + tick_ / 2);
                const double y1 = yMap.transform(l.price - tick_ / 2);
                QColor colour = l.buy ? theme_.Up() : theme_.Down();
                colour.setAlphaF(0.15 + 0.85 * double(l.lots) / double(most_));
                painter->fillRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)), colour);
            }
        }
    }

    const qzviews::DepthLevel* LevelAt(double x, double price) const {
        for (int i = columns_.size() - 1; i >= 0; --i) {
            if (x >= X(i) && x < X(i + 1)) {
                for (const qzviews::DepthLevel& l : columns_[i].levels) {
                    if (std::abs(l.price - price) <= tick_ / 2) {
                        return &l;
                    }
                }
                return nullptr;
            }
        }
        return nullptr;
    }

private:
    double X(int i) const {
        if (i < columns_.size()) {
            return SecondOfDay(columns_[i].time_ms);
        }
        return SecondOfDay(columns_.last().time_ms) + kLastColumnSeconds;
    }

    const Theme& theme_;
    QList<qzviews::DepthColumn> columns_;
    double tick_ = kDefaultTick;
    qint64 most_ = 1;
};

namespace {

class CellPicker : public QwtPlotPicker {
public:
    CellPicker(const DepthHeatmap& map, QWidget* canvas)
        : QwtPlotPicker(QwtPlot::xBottom, QwtPlot::yLeft, QwtPicker::NoRubberBand,
                        QwtPicker::AlwaysOn, canvas),
          map_(map) {}

protected:
    QwtText trackerTextF(const QPointF& pos) const override {
        return QwtText(map_.CellText(pos.x(), pos.y()));
    }

private:
    const DepthHeatmap& map_;
};

QwtPlotCurve* Line(const QColor& colour, QwtPlot* plot) {
    auto* curve = new QwtPlotCurve;
    curve->setPen(colour, 1.5);
    curve->setStyle(QwtPlotCurve::Steps);
    curve->setZ(1);
    curve->attach(plot);
    return curve;
}

}  // namespace

DepthHeatmap::DepthHeatmap(const Theme& theme, QWidget* parent)
    : QwtPlot(parent),
      cells_(new DepthCells(theme)),
      bid_(Line(theme.Up().darker(140), this)),
      ask_(Line(theme.Down().darker(140), this)),
      deals_(new QwtPlotCurve) {
    StylePlot(*this, theme, QStringLiteral("lots per price, bid/ask, large deals"));
    cells_->attach(this);
    deals_->setStyle(QwtPlotCurve::NoCurve);
    deals_->setSymbol(
        new QwtSymbol(QwtSymbol::Ellipse, QBrush(theme.Big()), QPen(theme.Text()), QSize(9, 9)));
    deals_->setZ(2);
    deals_->attach(this);
    SetBottomAxis(*this, new SecondScaleDraw);
    setAxisMaxMajor(QwtPlot::xBottom, kTimeLabels);
    new CellPicker(*this, canvas());  // owned by the canvas
}

void DepthHeatmap::SetDepth(const QList<qzviews::DepthColumn>& columns,
                            const QList<qzviews::LargeDealView::Deal>& deals) {
    cells_->SetColumns(columns);
    QVector<QPointF> bids;
    QVector<QPointF> asks;
    for (const qzviews::DepthColumn& c : columns) {
        const double x = SecondOfDay(c.time_ms);
        if (c.best_bid > 0) {
            bids << QPointF(x, c.best_bid);
        }
        if (c.best_ask > 0) {
            asks << QPointF(x, c.best_ask);
        }
    }
    bid_->setSamples(bids);
    ask_->setSamples(asks);
    QVector<QPointF> marks;
    const qint64 since = columns.isEmpty() ? 0 : columns.first().time_ms;
    for (const qzviews::LargeDealView::Deal& d : deals) {
        if (d.seen_ms >= since) {
            marks << QPointF(SecondOfDay(d.seen_ms), d.row.Get("deal_price").ToDouble());
        }
    }
    deals_->setSamples(marks);
    replot();
}

QString DepthHeatmap::CellText(double secondOfDay, double price) const {
    const qzviews::DepthLevel* level = cells_->LevelAt(secondOfDay, price);
    if (level == nullptr) {
        return QString();
    }
    return QStringLiteral("%1 %2 %3 lots\n%4")
        .arg(level->buy ? QStringLiteral("bid") : QStringLiteral("ask"))
        .arg(level->price, 0, 'f', 2)
        .arg(level->lots)
        .arg(QueueText(*level));
}

}  // namespace qzgui
