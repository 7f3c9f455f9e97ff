// The quote window (qzlv2-gui) on the offscreen platform. Fed by a recording of the simulated
// market made in process on the injected clock and replayed: every panel shows what its view
// read, the views show what the recording carries, a panel waits before its data and greys it
// after the link dropped (on both sides of the drop), and a replay draws the same pixels twice.
// Fed by hand-made views: one golden image per panel, compared by colour bands (PanelImages.h)
// so that another font passes and a missing bar, swapped sides or green-up colours fail; a burst
// of books between two frames redraws a panel once, with the last book, and keeps every book in
// the depth history; the keyboard moves between panels and codes; colours, theme and cycle are
// remembered. Every session keeps its files (the K-line history) in a folder of its own: a replay
// that found the recording session's saved history would ask for less than was recorded.
// QTEST_MAIN, not QTEST_GUILESS_MAIN: the panels are widgets and need a QApplication.
#include <QComboBox>
#include <QDir>
#include <QDockWidget>
#include <QFontDatabase>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <qwt_plot_curve.h>

#include "host/access/recording/RecordingReader.h"
#include "host/core/CDataStoreMgr.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "sim/server/TcpQuoteServer.h"
#include "tests/tools/gui/PanelImages.h"
#include "tests/tools/gui/SteppedRecording.h"
#include "tools/qzlv2-gui/QuoteSession.h"
#include "tools/qzlv2-gui/QuoteWindow.h"
#include "tools/qzlv2-gui/StockPage.h"
#include "tools/qzlv2-gui/panels/BookModel.h"
#include "tools/qzlv2-gui/panels/DepthHeatmap.h"
#include "tools/qzlv2-gui/panels/FlowBarsChart.h"
#include "tools/qzlv2-gui/panels/KlineFlowChart.h"
#include "tools/qzlv2-gui/panels/MinuteFlowChart.h"
#include "tools/qzlv2-gui/panels/PanelFrame.h"
#include "tools/qzlv2/commands/DecodeCommand.h"

using namespace qzgui;
using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

const char kCode[] = "SZ300750";
constexpr int kSteps = 24;   // 12 s of market
constexpr int kDropAt = 20;  // the link goes down before this step and stays down
constexpr int kWaitMs = 10000;
const char kFont[] = "DejaVu Sans";
const char kOtherFont[] = "DejaVu Serif";

// ---- Hand-made views -------------------------------------------------------------------------

qzviews::BookLevel Level(const QString& label, int price, int orders, int seed) {
    qzviews::BookLevel l;
    l.label = label;
    l.filler = false;
    l.price = QString::number(price / 100.0, 'f', 2);
    l.orders = orders;
    for (int i = 0; i < orders; ++i) {
        const qint64 lots = 5 + (seed * 37 + i * 53) % 90;
        l.queue << (i % 7 == 3 ? 700 : lots);  // every seventh from the fourth is big
        l.lots += l.queue.last();
        if (i % 7 == 3) {
            l.big.insert(i);
        }
    }
    return l;
}

qzviews::Book MakeBook(int shift = 0) {
    qzviews::Book b;
    b.has_book = true;
    b.converted = true;
    b.prev_close = "10.50";
    for (int i = 0; i < qzviews::kBookLevels; ++i) {
        b.sells << Level(QString("sell %1").arg(i + 1), 1051 + i + shift, 6 + (i * 5) % 11, i);
        b.buys << Level(QString("buy %1").arg(i + 1), 1050 - i + shift, 6 + (i * 3) % 13, i + 20);
    }
    return b;
}

DataRow PriceRow(int price, qint64 buy, qint64 sell, qint64 other) {
    DataRow r;
    r.Set("deal_price", UnsharedDataCell::FromRealPrice(price / 100.0, 2));
    r.Set("buy_deal_volume", UnsharedDataCell::FromBigInteger(buy));
    r.Set("sell_deal_volume", UnsharedDataCell::FromBigInteger(sell));
    r.Set("other_deal_volume", UnsharedDataCell::FromVolume(other));
    r.Set("total_deal_volume", UnsharedDataCell::FromVolume(buy + sell + other));
    return r;
}

enum class Fault { None, MissingBar, SwappedSides };

// The data of every hand-made panel; a fault changes each panel's data the same way.
void Fill(qzviews::StockViews& v, Fault fault) {
    const bool swap = fault == Fault::SwappedSides;
    qzviews::Book book = MakeBook();
    if (fault == Fault::MissingBar) {
        book.sells[2].queue.removeAt(3);  // the big order at sell 3
        book.sells[2].big.clear();
    }
    if (swap) {
        std::swap(book.sells, book.buys);
    }
    v.book.SetBook(book);
    QList<DataRow> prices;  // ascending, as the join makes them
    for (int i = 0; i < 8; ++i) {
        const qint64 a = 20000 + i * 9000;
        const qint64 b = 60000 - i * 5000;
        prices << PriceRow(1046 + i, swap ? b : a, swap ? a : b, 8000);
    }
    if (fault == Fault::MissingBar) {
        prices.removeAt(4);
    }
    v.price_volume.SetTable(prices, "10.50");
    DataRow flow;
    const char* const classes[] = {"extra_large", "large", "medium", "little"};
    for (int i = 0; i < 4; ++i) {
        const qint64 in = fault == Fault::MissingBar && i == 0 ? 0 : 1500 - i * 200;
        const qint64 out = 300 + i * 100;
        flow.Set(QString("%1_buy_volume").arg(classes[i]),
                 UnsharedDataCell::FromBigInteger(swap ? out : in));
        flow.Set(QString("%1_sell_volume").arg(classes[i]),
                 UnsharedDataCell::FromBigInteger(swap ? in : out));
    }
    v.capital_flow.SetRow(flow);
    QMap<int, qint64> minutes;
    for (int m = 0; m < 60; ++m) {
        if (fault == Fault::MissingBar && m == 30) {
            continue;
        }
        const qint64 net = qint64((m % 9) - 4) * 30000000LL * (swap ? -1 : 1);
        minutes.insert(930 + m / 60 * 100 + m % 60, net);
    }
    v.minute_flow.SetMinutes(minutes);
    QMap<qint32, qzviews::FlowBar> bars;
    for (int i = 0; i < KlineFlowChart::kVisibleBars; ++i) {
        qzviews::FlowBar bar;
        bar.net_capital_flow = qint64((i % 5) - 2) * 50000000LL * (swap ? -1 : 1) + 10000000LL;
        if (fault == Fault::MissingBar && i == 20) {
            bar.net_capital_flow = 0;
        }
        bars.insert(20240105 + i * 7, bar);
    }
    v.kline.SetBars(bars);
    for (int i = 0; i < 20; ++i) {
        if (fault == Fault::MissingBar && i == 10) {
            continue;
        }
        qzviews::Book column = MakeBook(i % 3);
        if (swap) {
            std::swap(column.sells, column.buys);
        }
        v.depth.Add(column, stepped::kStartMs + i * 1000);
    }
}

struct Panel {
    const char* name;
    QSize size;
    int band;  // px
    Qt::Orientation across;
};

const Panel kPanels[] = {
    {"book", {900, 470}, 22, Qt::Horizontal},
    {"price_volume", {420, 220}, 22, Qt::Horizontal},
    {"capital_flow", {260, 280}, 26, Qt::Vertical},
    {"minute_flow", {360, 280}, 20, Qt::Vertical},
    {"kline_flow", {520, 560}, 10, Qt::Vertical},
    {"depth", {520, 300}, 20, Qt::Vertical},
};

// The panel `name` of a page over hand-made views, out of its dock at its own size.
QImage HandMadePanel(const Panel& panel, Fault fault, const Theme& theme) {
    qzviews::StockViews views(kCode);
    Fill(views, fault);
    // The frame outlives the page (which may still name it as it goes) and goes before the views
    // and the theme its models read.
    std::unique_ptr<PanelFrame> frame;
    QImage image;
    {
        StockPage page(views, theme);
        page.Refresh(false);
        frame.reset(page.Panel(panel.name));
        frame->setParent(nullptr);
        frame->resize(panel.size);
        frame->show();
        QCoreApplication::processEvents();
        image = frame->grab().toImage();
    }
    return image;
}

QString GoldenPath(const QString& name) {
    return QStringLiteral(QZ_GOLDEN_DIR "/%1.png").arg(name);
}

// ---- The recording --------------------------------------------------------------------------

QJsonObject LastRecorded(const recording::Recording& r, int function) {
    QJsonObject json;
    for (const recording::RecordedEvent& e : r.events) {
        if ((e.kind == recording::Kind::Answer || e.kind == recording::Kind::Push) &&
            e.function == function) {
            QString error;
            QJsonObject decoded;
            if (qzlv2::DecodeBody(function, e.body, decoded, error)) {
                json = decoded.contains("record") ? decoded["record"].toObject() : decoded;
            }
        }
    }
    return json;
}

qint64 DropMs(const recording::Recording& r) {
    for (const recording::RecordedEvent& e : r.events) {
        if (e.kind == recording::Kind::Link && e.state == eAccessState_Disconnected) {
            return qint64(e.timeMs);
        }
    }
    return -1;
}

}  // namespace

class TestQuoteWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir_.filePath("settings"));
        QCoreApplication::setOrganizationName("qzlv2-test");
        QCoreApplication::setApplicationName("tst_quotewindow");
        QLoggingCategory::setFilterRules("*.debug=false\n*.warning=false\nqt.*=false");
        QVERIFY2(QFontDatabase().families().contains(kOtherFont), "fonts-dejavu-core");
        QApplication::setFont(QFont(kFont, 9));
        recording_path_ = dir_.filePath("window.qzr");
        FreshFiles();
        QString error;
        QVERIFY2(
            stepped::Record(recording_path_, kCode, QZLV2_PLUGIN_FILE, kSteps, kDropAt, &error),
            qPrintable(error));
        recorded_ = recording::RecordingReader::ReadFile(recording_path_);
        QVERIFY(recorded_.valid);
        QVERIFY(DropMs(recorded_) > 0);
    }

    void init() { FreshFiles(); }

    // Every panel draws its view, and the views hold what the recording's last answers carry.
    void replayedPanelsShowTheRecording() {
        QuoteSession session(ReplayOptions());
        QString error;
        QVERIFY2(session.Start(error), qPrintable(error));
        PlayUntil(session, 1e12);
        QuoteWindow window(session, Theme());
        window.Refresh();
        StockPage& page = window.Page(0);
        qzviews::StockViews& v = *session.Stocks()[0];
        for (PanelFrame* panel : page.Panels()) {
            QVERIFY2(!panel->IsWaiting(), qPrintable(panel->Name() + ": " + panel->StateText()));
        }
        const QJsonObject flow = LastRecorded(recorded_, 12930);
        for (const char* column : {"extra_large_buy_volume", "little_sell_volume", "total_buy"}) {
            QCOMPARE(v.capital_flow.row().Get(column).ToInt64(), qint64(flow[column].toDouble()));
        }
        auto* ladder = qobject_cast<QTableView*>(&page.Panel("book")->Content());
        QVERIFY(ladder);
        QCOMPARE(ladder->model()->index(qzviews::kBookLevels, BookModel::Price).data().toString(),
                 v.book.book().buys[0].price);
        QCOMPARE(
            ladder->model()->index(qzviews::kBookLevels - 1, BookModel::Price).data().toString(),
            v.book.book().sells[0].price);
        QCOMPARE(ladder->model()
                     ->index(qzviews::kBookLevels, BookModel::Queue)
                     .data(BookModel::QueueRole)
                     .toList()
                     .size(),
                 v.book.book().buys[0].queue.size());
        auto* prices = qobject_cast<QTableView*>(&page.Panel("price_volume")->Content());
        QCOMPARE(prices->model()->rowCount(), v.price_volume.rows().size());
        auto* deals = qobject_cast<QTableView*>(&page.Panel("large_deals")->Content());
        QCOMPARE(deals->model()->rowCount(), v.large_deal.ticker().size());
        auto* feed = qobject_cast<QTableView*>(&page.Panel("signals")->Content());
        QCOMPARE(feed->model()->rowCount(), v.signal_feed.rows().size());
        QVERIFY(feed->model()->rowCount() > 0);
        auto* stock = qobject_cast<FlowBarsChart*>(&page.Panel("capital_flow")->Content());
        QCOMPARE(stock->Stacks().value(0).value(0), flow["extra_large_buy_volume"].toDouble());
        QCOMPARE(stock->Stacks().value(1).value(3), flow["little_sell_volume"].toDouble());
        auto* minutes = qobject_cast<MinuteFlowChart*>(&page.Panel("minute_flow")->Content());
        QCOMPARE(int(minutes->Inflows().dataSize() + minutes->Outflows().dataSize()),
                 v.minute_flow.minutes().size());
        auto* kline = qobject_cast<KlineFlowChart*>(&page.Panel("kline_flow")->Content());
        QCOMPARE(kline->ShownPeriods(),
                 v.kline.bars().keys().mid(v.kline.bars().size() - KlineFlowChart::kVisibleBars));
        auto* depth = qobject_cast<DepthHeatmap*>(&page.Panel("depth")->Content());
        QVERIFY(v.depth.columns().size() > kDropAt / 2);  // a column per book the steps moved
        QCOMPARE(int(depth->BestBid().dataSize()), v.depth.columns().size());
    }

    // --server: the window's plug-in talks to a quote server over loopback; its book and quote
    // fill from the server's market and the link view follows the connection.
    void liveFromAServerOverTcp() {
        simserver::TcpQuoteServer server(std::make_shared<SimulatedMarketBackend>());
        QString error;
        QVERIFY2(server.Listen({QStringLiteral("127.0.0.1"), 0}, &error), qPrintable(error));
        SessionOptions options;
        options.codes = QStringList{kCode};
        options.plugin_file = QZLV2_PLUGIN_FILE;
        options.server = server.Address();
        QuoteSession session(options);
        QVERIFY2(session.Start(error), qPrintable(error));
        qzviews::StockViews& v = *session.Stocks()[0];
        const auto live = [&] {
            session.Advance(0);
            session.Drain();
            session.FollowLink();
            return !v.book.book().buys.isEmpty() && !v.book.book().buys[0].price.isEmpty() &&
                   !v.link.down_since().isValid();
        };
        QTRY_VERIFY_WITH_TIMEOUT(live(), kWaitMs);
        QCOMPARE(server.ClientCount(), 2);  // one connection per service
    }

    // Before its first answer a panel says what it waits for; a step before the drop shows fresh
    // data, the step of the drop greys every panel with the time of its view's last change.
    void waitingThenFreshThenStale() {
        QuoteSession session(ReplayOptions());
        QString error;
        QVERIFY2(session.Start(error), qPrintable(error));
        QuoteWindow window(session, Theme());
        window.Refresh();
        StockPage& page = window.Page(0);
        QCOMPARE(page.Panel("capital_flow")->StateText(), QString("waiting for 12930 ..."));
        QCOMPARE(page.Panel("book")->StateText(), QString("waiting for 12989 ..."));
        const qint64 drop = DropMs(recorded_);
        PlayUntil(session, double(drop - 1));
        window.Refresh();
        for (PanelFrame* panel : page.Panels()) {
            QVERIFY2(!panel->IsStale() && panel->StateText().isEmpty(), qPrintable(panel->Name()));
        }
        PlayUntil(session, double(drop));
        window.Refresh();
        const qzviews::View& book = session.Stocks()[0]->book;
        QVERIFY(page.Panel("book")->IsStale());
        QCOMPARE(page.Panel("book")->StateText(),
                 "stale: as of " +
                     QDateTime::fromMSecsSinceEpoch(book.ChangedMs()).toString("hh:mm:ss"));
        QVERIFY(book.ChangedMs() <= recorded_.header.startMs + drop);
        QVERIFY(session.Stocks()[0]->link.Text().startsWith("link down since "));
    }

    void replayDrawsTheSamePixelsTwice() { QCOMPARE(ReplayedWindow(), ReplayedWindow()); }

    void panelMatchesItsGolden_data() {
        QTest::addColumn<int>("panel");
        QTest::addColumn<int>("fault");
        QTest::addColumn<bool>("greenUp");
        QTest::addColumn<QString>("font");
        QTest::addColumn<bool>("matches");
        for (int p = 0; p < int(std::size(kPanels)); ++p) {
            const QByteArray name = kPanels[p].name;
            QTest::newRow(name + ": as made") << p << int(Fault::None) << false << kFont << true;
            QTest::newRow(name + ": another font")
                << p << int(Fault::None) << false << kOtherFont << true;
            QTest::newRow(name + ": a bar missing")
                << p << int(Fault::MissingBar) << false << kFont << false;
            QTest::newRow(name + ": sides swapped")
                << p << int(Fault::SwappedSides) << false << kFont << false;
            QTest::newRow(name + ": green for up")
                << p << int(Fault::None) << true << kFont << false;
        }
    }
    void panelMatchesItsGolden() {
        QFETCH(int, panel);
        QFETCH(int, fault);
        QFETCH(bool, greenUp);
        QFETCH(QString, font);
        QFETCH(bool, matches);
        const Panel& p = kPanels[panel];
        QApplication::setFont(QFont(font, 9));
        Theme theme;
        theme.green_up = greenUp;
        const QImage image = HandMadePanel(p, Fault(fault), theme);
        QApplication::setFont(QFont(kFont, 9));
        const QString golden = GoldenPath(p.name);
        if (qEnvironmentVariableIsSet("QZ_UPDATE_GOLDEN") && matches && font == kFont) {
            QVERIFY(image.save(golden));
        }
        const QImage expected(golden);
        QVERIFY2(!expected.isNull(), qPrintable(golden + " (QZ_UPDATE_GOLDEN=1 writes it)"));
        const QStringList differences = panelimages::Differences(image, expected, p.band, p.across);
        if (matches) {
            QVERIFY2(differences.isEmpty(), qPrintable(differences.join('\n')));
        } else {
            QVERIFY(!differences.isEmpty());
        }
    }

    // A burst of books between two frames: one redraw, showing the last; every book in the
    // depth history.
    void burstRedrawsOnceAndKeepsEveryBook() {
        qzviews::StockViews views(kCode);
        Fill(views, Fault::None);
        StockPage page(views, Theme());
        page.Refresh(false);
        PanelFrame& book = *page.Panel("book");
        const int shows = book.ShowCount();
        HostClock::SetForTest(stepped::kStartMs + 30000);  // within the history's window
        const int columns = views.depth.columns().size();
        ScopeTree tree;
        for (int i = 1; i <= 30; ++i) {
            views.book.SetBook(MakeBook(i));
            views.depth.Update(tree);  // after every join, as PluginHost updates them
        }
        page.Refresh(false);
        QCOMPARE(book.ShowCount(), shows + 1);
        QCOMPARE(views.depth.columns().size(), columns + 30);
        auto* ladder = qobject_cast<QTableView*>(&book.Content());
        QCOMPARE(ladder->model()->index(qzviews::kBookLevels, BookModel::Price).data().toString(),
                 MakeBook(30).buys[0].price);
        page.Refresh(false);
        QCOMPARE(book.ShowCount(), shows + 1);  // nothing changed: no redraw
        HostClock::UseSystemClock();
    }

    void keyboardMovesBetweenPanelsAndCodes() {
        QuoteSession session(
            SessionOptions{{kCode, "SH600000"}, QZLV2_PLUGIN_FILE, {}, 500, 0, 5000, std::nullopt});
        QuoteWindow window(session, Theme());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* tabs = window.findChild<QTabWidget*>();
        QCOMPARE(tabs->currentIndex(), 0);
        QTest::keyClick(&window, Qt::Key_PageDown, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 1);
        QTest::keyClick(&window, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(tabs->currentIndex(), 0);
        StockPage& page = window.Page(0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_3, Qt::AltModifier);
        QCOMPARE(FocusedPanel(page), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
        QCOMPARE(FocusedPanel(page), 3);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6, Qt::ShiftModifier);
        QCOMPARE(FocusedPanel(page), 1);
    }

    void coloursThemeAndCycleAreRemembered() {
        QSettings().clear();
        QCOMPARE(QuoteWindow::SavedTheme().green_up, false);  // red up by default
        {
            QuoteSession session(
                SessionOptions{{kCode}, QZLV2_PLUGIN_FILE, {}, 500, 0, 5000, std::nullopt});
            QuoteWindow window(session, QuoteWindow::SavedTheme());
            Theme theme;
            theme.green_up = true;
            theme.high_contrast = true;
            window.SetTheme(theme);
            auto* kline =
                qobject_cast<KlineFlowChart*>(&window.Page(0).Panel("kline_flow")->Content());
            kline->CycleBox().setCurrentText("month");
            QCOMPARE(session.Stocks()[0]->kline.cycle(), QString("month"));
        }
        QCOMPARE(QuoteWindow::SavedTheme().green_up, true);
        QCOMPARE(QuoteWindow::SavedTheme().high_contrast, true);
        QCOMPARE(QuoteWindow::SavedCycle(kCode), QString("month"));
        QSettings().clear();
    }

private:
    // The panel holding the focus, -1 for none.
    static int FocusedPanel(const StockPage& page) {
        for (size_t i = 0; i < page.Panels().size(); ++i) {
            PanelFrame* panel = page.Panels()[i];
            if (panel == QApplication::focusWidget() ||
                panel->isAncestorOf(QApplication::focusWidget())) {
                return int(i);
            }
        }
        return -1;
    }
    SessionOptions ReplayOptions() const {
        return SessionOptions{{kCode}, QZLV2_PLUGIN_FILE, recording_path_, 500, 0,
                              5000,    std::nullopt};
    }
    // Plays the recording up to `atMs`, waiting (boundedly) for the requests its answers need.
    static void PlayUntil(QuoteSession& session, double atMs) {
        QElapsedTimer waited;
        waited.start();
        while (session.Advance(atMs) && waited.elapsed() < kWaitMs) {
            QTest::qWait(1);  // the plug-in's threads send the request the step waits for
        }
        const QStringList reports = session.TakeReports();
        QVERIFY2(reports.isEmpty(), qPrintable(reports.join('\n')));
    }
    void FreshFiles() {
        CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(
            dir_.filePath(QString("files%1").arg(++sessions_)));
    }
    QImage ReplayedWindow() {
        FreshFiles();
        QuoteSession session(ReplayOptions());
        QString error;
        if (!session.Start(error)) {
            return QImage();
        }
        PlayUntil(session, 1e12);
        QuoteWindow window(session, Theme());
        window.resize(1800, 1100);
        window.Refresh();
        return window.grab().toImage();
    }

    QTemporaryDir dir_;
    QString recording_path_;
    recording::Recording recorded_;
    int sessions_ = 0;
};

QTEST_MAIN(TestQuoteWindow)
#include "tst_quotewindow.moc"
