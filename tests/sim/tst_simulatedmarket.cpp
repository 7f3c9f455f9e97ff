// The simulated market: reproducible from its seed, and always a plausible market (books on the
// right side of the last price, within the daily limits, realistic queues).
#include <QtTest>

#include "sim/market/SimStock.h"
#include "sim/market/SimulatedMarket.h"

using simmarket::BookLevel;
using simmarket::OrderBook;
using simmarket::SimulatedMarket;
using simmarket::StockState;

class TestSimulatedMarket : public QObject {
    Q_OBJECT

private slots:
    void catalogueCoversExchangesAndBoards();
    void limitsFollowTheListingBoard_data();
    void limitsFollowTheListingBoard();
    void sameSeedGivesTheSameMarket();
    void differentSeedsGiveDifferentMarkets();
    void booksStayPlausibleForManyTicks();
    void bigOrdersAppear();
    void snapshotCarriesOnlyTheMasksAskedFor();
    void boardSnapshotCountsItsMembers();
    void unknownCodesGetEmptyValues();
};

void TestSimulatedMarket::catalogueCoversExchangesAndBoards() {
    QSet<QString> exchanges;
    QSet<int> boards;
    for (const simmarket::SimStock& s : simmarket::Stocks()) {
        exchanges << s.Exchange();
        boards << int(s.board);
        QVERIFY2(!s.name.isEmpty(), qPrintable(s.code));
        QVERIFY2(simmarket::FindBoard(s.board_code) != nullptr, qPrintable(s.code));
        if (s.board == simmarket::ListingBoard::Growth) {
            QVERIFY(s.code.startsWith("SZ300"));
        }
        if (s.board == simmarket::ListingBoard::Star) {
            QVERIFY(s.code.startsWith("SH688"));
        }
    }
    QVERIFY(simmarket::Stocks().size() >= 6);
    QCOMPARE(exchanges, (QSet<QString>{"SH", "SZ"}));
    QCOMPARE(boards.size(), 3);
    QCOMPARE(simmarket::FindStock("SH600000")->name, QString::fromUtf8("浦发银行"));
}

void TestSimulatedMarket::limitsFollowTheListingBoard_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<qint32>("up");
    QTest::addColumn<qint32>("down");
    // 10.52 main board: +-10 %, rounded to the cent; 180.35 growth board: +-20 %.
    QTest::newRow("main") << "SH600000" << 1157 << 947;
    QTest::newRow("growth") << "SZ300750" << 21642 << 14428;
    QTest::newRow("star") << "SH688981" << 6216 << 4144;
}

void TestSimulatedMarket::limitsFollowTheListingBoard() {
    QFETCH(QString, code);
    QFETCH(qint32, up);
    QFETCH(qint32, down);
    const simmarket::SimStock* stock = simmarket::FindStock(code);
    QVERIFY(stock != nullptr);
    QCOMPARE(stock->LimitUp(), up);
    QCOMPARE(stock->LimitDown(), down);
}

void TestSimulatedMarket::sameSeedGivesTheSameMarket() {
    SimulatedMarket a(7);
    SimulatedMarket b(7);
    for (int i = 0; i < 50; ++i) {
        a.Step();
        b.Step();
    }
    for (const QString& code : a.StockCodes()) {
        QCOMPARE(a.FindState(code)->Last(), b.FindState(code)->Last());
        const simwire::FastQuoteBook x = a.FastQuote(code, 10);
        const simwire::FastQuoteBook y = b.FastQuote(code, 10);
        QCOMPARE(x.buy.size(), y.buy.size());
        for (int i = 0; i < x.buy.size(); ++i) {
            QCOMPARE(x.buy[i].queued, y.buy[i].queued);
        }
    }
}

void TestSimulatedMarket::differentSeedsGiveDifferentMarkets() {
    SimulatedMarket a(1);
    SimulatedMarket b(2);
    bool differs = false;
    for (int i = 0; i < 20 && !differs; ++i) {
        a.Step();
        b.Step();
        for (const QString& code : a.StockCodes()) {
            differs = differs || a.FastQuote(code, 10).buy.first().queued !=
                                     b.FastQuote(code, 10).buy.first().queued;
        }
    }
    QVERIFY(differs);
}

void TestSimulatedMarket::booksStayPlausibleForManyTicks() {
    SimulatedMarket market;
    for (int tick = 0; tick < 2000; ++tick) {
        market.Step();
        for (const QString& code : market.StockCodes()) {
            const StockState* s = market.FindState(code);
            const qint32 last = s->Last();
            QVERIFY(last >= s->Stock().LimitDown() && last <= s->Stock().LimitUp());
            QVERIFY(s->Low() <= last && last <= s->High());
            const QVector<BookLevel> bids = s->Book().Bids();
            const QVector<BookLevel> asks = s->Book().Asks();
            QVERIFY(bids.size() <= OrderBook::kLevels && asks.size() <= OrderBook::kLevels);
            // Ten levels a side unless a daily limit cuts the side short.
            QVERIFY(bids.size() == OrderBook::kLevels ||
                    bids.last().price - s->Spacing() < s->Stock().LimitDown());
            QVERIFY(asks.size() == OrderBook::kLevels || asks.isEmpty() ||
                    asks.last().price + s->Spacing() > s->Stock().LimitUp());
            if (!bids.isEmpty()) {
                QCOMPARE(bids.first().price, last);
            }
            if (!asks.isEmpty()) {
                QVERIFY(asks.first().price > last);
            }
            for (int i = 1; i < bids.size(); ++i) {
                QCOMPARE(bids[i - 1].price - bids[i].price, s->Spacing());
            }
            for (const QVector<BookLevel>& side : {bids, asks}) {
                for (const BookLevel& level : side) {
                    QVERIFY(!level.orders.isEmpty() && level.orders.size() <= OrderBook::kMaxQueue);
                    for (qint32 v : level.orders) {
                        QVERIFY(v > 0 && v % OrderBook::kLot == 0);
                    }
                }
            }
        }
    }
}

void TestSimulatedMarket::bigOrdersAppear() {
    SimulatedMarket market;
    int bigLevels = 0;
    int levels = 0;
    for (int tick = 0; tick < 100; ++tick) {
        market.Step();
        const simwire::FastQuoteBook book = market.FastQuote("SH600000", 10);
        for (const simwire::FastQuoteLevel& level : book.buy + book.sell) {
            ++levels;
            bigLevels += level.big_flag != 0 ? 1 : 0;
            qint64 sum = 0;
            for (qint32 v : level.queued) {
                sum += v;
            }
            QCOMPARE(qint64(level.volume), sum);
            QCOMPARE(level.order_count, level.queued.size());
        }
    }
    // Occasional, not everywhere: a big order is about one in fifty.
    QVERIFY2(bigLevels > 0 && bigLevels < levels, qPrintable(QString::number(bigLevels)));
}

void TestSimulatedMarket::snapshotCarriesOnlyTheMasksAskedFor() {
    SimulatedMarket market;
    market.Step();
    // The masks of the push-kind request; bits the layout does not know are dropped.
    const StockSnapshot s =
        market.Snapshot("SZ300750", 0x19600FDF | 0x80000000, 0x60400415, 0x4000);
    QCOMPARE(s.mask1, quint32(0x19600FDF));
    QCOMPARE(s.mask2, quint32(0x60400415));
    QCOMPARE(s.mask3, quint32(0x4000));
    QCOMPARE(s.code, QString("SZ300750"));
    QCOMPARE(int(s.price_precision), 2);
    QCOMPARE(s.base_price, 18035);
    QCOMPARE(s.last_price, market.FindState("SZ300750")->Last());
    QCOMPARE(s.bids[0].price, market.FindState("SZ300750")->Last());
    // The code is always carried, even when no mask asks for it.
    QCOMPARE(market.Snapshot("SZ300750", 0, 0, 0).mask1, quint32(snapshot::kCode));
}

void TestSimulatedMarket::boardSnapshotCountsItsMembers() {
    SimulatedMarket market;
    for (int i = 0; i < 30; ++i) {
        market.Step();
    }
    const StockSnapshot s = market.Snapshot("BK0475", snapshot::kAllMask1, snapshot::kAllMask2, 0);
    QCOMPARE(s.name, QString::fromUtf8("银行"));
    QCOMPARE(int(s.rise_count + s.fall_count + s.flat_count), 2);
    QCOMPARE(s.volume,
             market.FindState("SH600000")->Volume() + market.FindState("SZ000001")->Volume());
}

void TestSimulatedMarket::unknownCodesGetEmptyValues() {
    SimulatedMarket market;
    QVERIFY(!market.Knows("SH999999"));
    QVERIFY(market.FastQuote("SH999999", 10).buy.isEmpty());
    QCOMPARE(market.Snapshot("SH999999", 0xFF, 0, 0).mask1, 0u);
    QVERIFY(!market.StockRelated("SH999999", 107, 0x40000400, 0x20).has_ratios);
}

QTEST_GUILESS_MAIN(TestSimulatedMarket)
#include "tst_simulatedmarket.moc"
