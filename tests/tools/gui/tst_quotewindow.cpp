// The quote window (qzlv2-gui) on the offscreen platform. Fed by a recording of the simulated
// market made in process on the injected clock and replayed: every panel shows what its view
// read, the views show what the recording carries, a panel waits before its data and greys it
// after the link dropped (on both sides of the drop). Fed by hand-made views: a burst of books
// between two frames redraws a panel once, with the last book, and keeps every book in the depth
// history. Every session keeps its files (the K-line history) in a folder of its own: a replay
// that found the recording session's saved history would ask for less than was recorded. (A
// replay that repeats the live run: tst_qzlv2recording.)
// QTEST_MAIN, not QTEST_GUILESS_MAIN: the panels are widgets and need a QApplication.
#include <QDir>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <qwt_plot_curve.h>

#include "host/access/recording/RecordingReader.h"
#include "host/core/CDataStoreMgr.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "sim/server/TcpQuoteServer.h"
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

namespace {

const char kCode[] = "SZ300750";
constexpr int kSteps = 24;   // 12 s of market
constexpr int kDropAt = 20;  // the link goes down before this step and stays down
constexpr int kWaitMs = 10000;

// ---- Hand-made views -------------------------------------------------------------------------

qzviews::BookLevel Level(const QString& label, int price) {
    qzviews::BookLevel l;
    l.label = label;
    l.filler = false;
    l.price = QString::number(price / 100.0, 'f', 2);
    l.orders = 2;
    l.queue = {300, 280};
    l.lots = 580;
    return l;
}

qzviews::Book MakeBook(int shift = 0) {
    qzviews::Book b;
    b.has_book = true;
    b.converted = true;
    b.prev_close = "10.50";
    for (int i = 0; i < qzviews::kBookLevels; ++i) {
        b.sells << Level(QString("sell %1").arg(i + 1), 1051 + i + shift);
        b.buys << Level(QString("buy %1").arg(i + 1), 1050 - i + shift);
    }
    return b;
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

    // A burst of books between two frames: one redraw, showing the last; every book in the
    // depth history.
    void burstRedrawsOnceAndKeepsEveryBook() {
        qzviews::StockViews views(kCode);
        views.book.SetBook(MakeBook());
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

private:
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
    QTemporaryDir dir_;
    QString recording_path_;
    recording::Recording recorded_;
    int sessions_ = 0;
};

QTEST_MAIN(TestQuoteWindow)
#include "tst_quotewindow.moc"
