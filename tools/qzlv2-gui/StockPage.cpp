#include "tools/qzlv2-gui/StockPage.h"

#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>
#include <QVBoxLayout>

#include "tools/qzlv2-gui/panels/BookModel.h"
#include "tools/qzlv2-gui/panels/DepthHeatmap.h"
#include "tools/qzlv2-gui/panels/FlowBarsChart.h"
#include "tools/qzlv2-gui/panels/KlineFlowChart.h"
#include "tools/qzlv2-gui/panels/MinuteFlowChart.h"
#include "tools/qzlv2-gui/panels/PanelFrame.h"
#include "tools/qzlv2-gui/panels/PriceVolumeModel.h"
#include "tools/qzlv2-gui/panels/QueueBarDelegate.h"
#include "tools/qzlv2-gui/panels/QuoteHeader.h"
#include "tools/qzlv2-gui/panels/RowTableModel.h"
#include "tools/qzlv2-gui/panels/VolumeBarDelegate.h"

namespace qzgui {

namespace {

constexpr qint64 kYuanPer10k = 10000;
constexpr int kRowHeight = 22;        // px, a table row
constexpr int kTableWidth = 420;      // px, each of the two columns of tables on the right
constexpr int kBottomHeight = 280;    // px, the charts' row
constexpr int kVolumeBarWidth = 120;  // px, the price-volume bars' column

QTableView* Table(QAbstractItemModel* model, QWidget* parent) {
    auto* table = new QTableView(parent);
    table->setModel(model);
    model->setParent(table);
    table->verticalHeader()->hide();
    // Rows of one height whatever the font: a bar is where its row is.
    table->verticalHeader()->setMinimumSectionSize(kRowHeight);
    table->verticalHeader()->setDefaultSectionSize(kRowHeight);
    table->horizontalHeader()->setFixedHeight(kRowHeight + 2);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setShowGrid(false);
    return table;
}

RowTableModel::Column Text(const QString& head, const char* cell, bool right = false) {
    const QString name = QLatin1String(cell);
    return {head, [name](const nscell::DataRow& r) { return QVariant(r.Get(name).DisplayText()); },
            nullptr, right};
}

RowTableModel::Column Lots(const QString& head, const char* cell) {
    const QString name = QLatin1String(cell);
    return {head,
            [name](const nscell::DataRow& r) { return QVariant(r.Get(name).ToInt64() / 100); },
            nullptr, true};
}

}  // namespace

StockPage::StockPage(qzviews::StockViews& views, const Theme& theme, QWidget* parent)
    : QMainWindow(parent), views_(views) {
    setObjectName(views.code);
    setDockNestingEnabled(true);
    if (views.is_board) {
        BuildBoard(theme);
    } else {
        BuildStock(theme);
    }
}

PanelFrame* StockPage::AddPanel(const QString& name, const QString& functions,
                                const qzviews::View& view, QWidget* content,
                                std::function<void()> show) {
    auto* frame = new PanelFrame(name, functions, view, content, std::move(show), this);
    panels_.push_back(frame);
    return frame;
}

void StockPage::Dock(PanelFrame* frame, const QString& title, Qt::DockWidgetArea area) {
    auto* dock = new QDockWidget(title, this);
    docks_.push_back(dock);
    dock->setObjectName(frame->Name());
    dock->setWidget(frame);
    dock->setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    addDockWidget(area, dock);
}

void StockPage::BuildStock(const Theme& theme) {
    qzviews::StockViews& v = views_;
    auto* header = new QuoteHeader(theme, this);
    auto* headerFrame = AddPanel("quote", "10001", v.quote, header,
                                 [header, &v] { header->SetQuote(v.quote.quote()); });

    auto* ladderModel = new BookModel(qzviews::kBookLevels, theme);
    auto* ladder = Table(ladderModel, this);
    ladder->setItemDelegateForColumn(BookModel::Queue, new QueueBarDelegate(theme, ladder));
    auto* bookFrame = AddPanel("book", "12989", v.book, ladder,
                               [ladderModel, &v] { ladderModel->SetBook(v.book.book()); });
    link_ = new QLabel(this);
    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(headerFrame);
    column->addWidget(link_);
    column->addWidget(bookFrame, 1);
    setCentralWidget(centre);

    auto* pvModel = new PriceVolumeModel(theme);
    auto* pvTable = Table(pvModel, this);
    pvTable->setItemDelegateForColumn(PriceVolumeModel::Bar, new VolumeBarDelegate(theme, pvTable));
    pvTable->horizontalHeader()->setSectionResizeMode(PriceVolumeModel::Bar, QHeaderView::Fixed);
    pvTable->horizontalHeader()->resizeSection(PriceVolumeModel::Bar, kVolumeBarWidth);
    Dock(AddPanel("price_volume", "12915", v.price_volume, pvTable,
                  [pvModel, &v] { pvModel->SetTable(v.price_volume); }),
         tr("price volume"), Qt::RightDockWidgetArea);
    auto* bestModel = new BookModel(1, theme);
    auto* best = Table(bestModel, this);
    best->setItemDelegateForColumn(BookModel::Queue, new QueueBarDelegate(theme, best));
    Dock(AddPanel("best_queues", "12989", v.book, best,
                  [bestModel, &v] { bestModel->SetBook(v.book.book()); }),
         tr("best-price queues"), Qt::RightDockWidgetArea);

    auto* stockFlow = new FlowBarsChart(theme, tr("stock, lots"), this);
    auto* boardFlow = new FlowBarsChart(theme, tr("%1, 10^4 yuan").arg(v.board_code), this);
    Dock(AddPanel("capital_flow", "12930", v.capital_flow, stockFlow,
                  [stockFlow, &v] {
                      stockFlow->SetClasses(qzviews::FlowClassesOf(v.capital_flow.row(),
                                                                   QStringLiteral("volume"), 1));
                  }),
         tr("capital flow"), Qt::BottomDockWidgetArea);
    Dock(AddPanel("board_flow", "12932", v.board_flow, boardFlow,
                  [boardFlow, &v] {
                      boardFlow->SetClasses(qzviews::FlowClassesOf(
                          v.board_flow.flow(), QStringLiteral("amount"), kYuanPer10k));
                  }),
         tr("board flow"), Qt::BottomDockWidgetArea);

    auto* minutes = new MinuteFlowChart(theme, this);
    Dock(AddPanel("minute_flow", "12842", v.minute_flow, minutes,
                  [minutes, &v] { minutes->SetMinutes(v.minute_flow.minutes()); }),
         tr("minute flow"), Qt::BottomDockWidgetArea);
    auto* kline = new KlineFlowChart(theme, this);
    kline->SetCycle(v.kline.cycle());
    connect(kline, &KlineFlowChart::cycleChosen, this, &StockPage::cycleChosen);
    Dock(AddPanel("kline_flow", "12844", v.kline, kline,
                  [kline, &v] {
                      kline->SetCycle(v.kline.cycle());
                      kline->SetBars(v.kline.bars());
                  }),
         tr("flow history"), Qt::BottomDockWidgetArea);
    auto* depth = new DepthHeatmap(theme, this);
    Dock(AddPanel("depth", "12989", v.depth, depth,
                  [depth, &v] { depth->SetDepth(v.depth.columns(), v.large_deal.ticker()); }),
         tr("depth"), Qt::BottomDockWidgetArea);

    auto* dealsModel =
        new RowTableModel({{tr("time"),
                            [](const nscell::DataRow& r) {
                                return QVariant(qzviews::HhmmssText(r.Get("time").ToInt64()));
                            }},
                           Text(tr("price"), "deal_price", true),
                           Lots(tr("lots"), "number"),
                           Lots(tr("in"), "In_number"),
                           Lots(tr("out"), "Out_number")});
    auto* deals = Table(dealsModel, this);
    Dock(AddPanel("large_deals", "12990", v.large_deal, deals,
                  [dealsModel, &v] {
                      QList<nscell::DataRow> rows;
                      for (const qzviews::LargeDealView::Deal& d : v.large_deal.ticker()) {
                          rows << d.row;
                      }
                      dealsModel->SetRows(rows);
                  }),
         tr("large deals"), Qt::RightDockWidgetArea);

    const Theme* colours = &theme;
    auto side = [colours](const nscell::DataRow& r) {
        return QVariant(colours->ForChange(double(r.Get("signal_type_deal_direction").ToInt64())));
    };
    auto* feedModel =
        new RowTableModel({Text(tr("time"), "signal_time"),
                           Text(tr("stock"), "stock_code"),
                           Text(tr("signal"), "signal_type_name"),
                           {tr("side"),
                            [](const nscell::DataRow& r) {
                                return QVariant(r.Get("signal_type_deal_direction").ToInt64() > 0
                                                    ? QString::fromUtf8("买")
                                                    : QString::fromUtf8("卖"));
                            },
                            side},
                           Text(tr("what"), "signal_description")});
    auto* statsModel = new RowTableModel({Text(tr("signal"), "signal_type_name"),
                                          Text(tr("group"), "signal_type_group_name"),
                                          Text(tr("side"), "signal_type_deal_direction"),
                                          Text(tr("count"), "signal_type_statistics", true)});
    auto* feed = Table(feedModel, this);
    auto* stats = Table(statsModel, this);
    Dock(AddPanel("signals", "10016", v.signal_feed, feed,
                  [feedModel, &v] {
                      QList<nscell::DataRow> newestFirst = v.signal_feed.rows();
                      std::reverse(newestFirst.begin(), newestFirst.end());
                      feedModel->SetRows(newestFirst);
                  }),
         tr("signals"), Qt::RightDockWidgetArea);
    Dock(AddPanel("signal_statistics", "10015, 10016", v.signal_stats, stats,
                  [statsModel, &v] { statsModel->SetRows(v.signal_stats.rows()); }),
         tr("signal statistics"), Qt::RightDockWidgetArea);
    SizeDocks();
}

// The first layout, before any the user made is restored: the book in the middle, on the right
// two columns of tables (the price volume over the best-price queues; the large deals over the
// signals over their statistics), the charts below.
void StockPage::SizeDocks() {
    const auto dock = [this](const char* name) {
        return findChild<QDockWidget*>(QLatin1String(name));
    };
    splitDockWidget(dock("price_volume"), dock("large_deals"), Qt::Horizontal);
    splitDockWidget(dock("price_volume"), dock("best_queues"), Qt::Vertical);
    splitDockWidget(dock("large_deals"), dock("signals"), Qt::Vertical);
    splitDockWidget(dock("signals"), dock("signal_statistics"), Qt::Vertical);
    QList<QDockWidget*> bottom;
    QList<int> widths;
    for (QDockWidget* d : docks_) {
        if (dockWidgetArea(d) == Qt::BottomDockWidgetArea) {
            const QString name = d->objectName();
            bottom << d;
            widths << (name == QLatin1String("depth") ? 520 : name.endsWith("flow") ? 240 : 360);
        }
    }
    resizeDocks({dock("price_volume"), dock("large_deals")}, {kTableWidth, kTableWidth},
                Qt::Horizontal);
    resizeDocks({dock("price_volume"), dock("best_queues")}, {520, 110}, Qt::Vertical);
    resizeDocks({dock("large_deals"), dock("signals"), dock("signal_statistics")}, {200, 250, 180},
                Qt::Vertical);
    resizeDocks(bottom, QVector<int>(bottom.size(), kBottomHeight).toList(), Qt::Vertical);
    resizeDocks(bottom, widths, Qt::Horizontal);
}

void StockPage::BuildBoard(const Theme& theme) {
    qzviews::StockViews& v = views_;
    auto* flow =
        new FlowBarsChart(theme, tr("%1 flow by order size (10^4 yuan)").arg(v.code), this);
    auto* frame = AddPanel("board_flow", "12932", v.board_flow, flow, [flow, &v] {
        flow->SetClasses(
            qzviews::FlowClassesOf(v.board_flow.flow(), QStringLiteral("amount"), kYuanPer10k));
    });
    link_ = new QLabel(this);
    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->addWidget(new QLabel(v.board_flow.title(), centre));
    column->addWidget(link_);
    column->addWidget(frame, 1);
    setCentralWidget(centre);
}

void StockPage::Refresh(bool stale) {
    for (PanelFrame* panel : panels_) {
        panel->Refresh(stale);
    }
    const QString link = views_.link.Text();
    if (link_->text() != link) {
        link_->setText(link);
    }
    link_->setVisible(!link.isEmpty());
}

PanelFrame* StockPage::Panel(const QString& name) const {
    for (PanelFrame* panel : panels_) {
        if (panel->Name() == name) {
            return panel;
        }
    }
    return nullptr;
}

void StockPage::FocusNextPanel(bool forward) {
    const int count = int(panels_.size());
    int current = -1;
    for (int i = 0; i < count; ++i) {
        if (panels_[size_t(i)]->isAncestorOf(focusWidget())) {
            current = i;
        }
    }
    const int next =
        (current + (forward ? 1 : count - 1) + (current < 0 && !forward ? 1 : 0)) % count;
    panels_[size_t(next)]->setFocus(Qt::ShortcutFocusReason);
}

void StockPage::FocusPanel(int i) {
    if (i >= 0 && i < int(panels_.size())) {
        panels_[size_t(i)]->setFocus(Qt::ShortcutFocusReason);
    }
}

}  // namespace qzgui
