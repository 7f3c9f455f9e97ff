// The deals bodies and the price-volume table: the 12915 and 12917 decoders on bytes laid out by
// hand from their tables (bad bodies rejected whole), the price-deals rows with their ratios, and
// the resolver of numeric scope type 10.
#include <QtTest>

#include <cmath>

#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/ScopeResolveResult.h"
#include "services/deals/DealsDecoders.h"
#include "services/deals/PriceDealsJoin.h"
#include "services/deals/QzLv2PriceBaseDealsScopeResolver.h"
#include "tests/services/HandLaid.h"

using namespace deals;

namespace {

struct Rec {
    quint32 price, total, buy, sell, other;
};

// 12915: 4 + 4 bytes, i32 day volume, i16 N, N x (5 x u32).
QByteArray PriceDealsBody(qint32 dayVolume, const QVector<Rec>& records, int count = -1) {
    HandLaid b;
    b.u32(0x11111111).u32(0x22222222).i32(dayVolume).i16(count < 0 ? records.size() : count);
    for (const Rec& r : records)
        b.u32(r.price).u32(r.total).u32(r.buy).u32(r.sell).u32(r.other);
    return b.bytes();
}

// 12917: 4 + 4 bytes, code, i32, u8, u8, bid i32 price, i32 orders, u16 K1, K1 x i32, u8,
// ask i32 price, i32 orders, u16 K2, K2 x i32.
QByteArray WillDealsBody(const QVector<qint32>& bids, const QVector<qint32>& asks,
                         int bidCount = -1) {
    HandLaid b;
    b.u32(1).u32(2).str("SH600000").i32(93000).u8(7).u8(8);
    b.i32(1052).i32(bids.size()).u16(quint32(bidCount < 0 ? bids.size() : bidCount));
    for (qint32 v : bids)
        b.i32(v);
    b.u8(9).i32(1053).i32(asks.size()).u16(quint32(asks.size()));
    for (qint32 v : asks)
        b.i32(v);
    return b.bytes();
}

const QVector<Rec> kThree = {
    {1050, 500, 300, 150, 50}, {1051, 2000, 1000, 900, 100}, {1049, 1200, 0, 1200, 0}};

// The rows a join leaves on the target.
QList<nscell::DataRow> Rows(const QByteArray& body) {
    ScopeTreeNode target = ScopeTreeNode::NewRoot(ScopeTypeVariant(10));
    ScopeTreeNode source = ScopeTreeNode::NewRoot(ScopeTypeVariant("price_deals"));
    source.quote_data =
        QSharedPointer<ResponsePkgEntity_12915>::create(*DecodePriceDealsBody(body).record);
    if (!JoinPriceDeals(target, source))
        return {};
    return dynamic_cast<const DealsQuoteData&>(*target.quote_data).rows;
}

}  // namespace

class TestDealsData : public QObject {
    Q_OBJECT

private slots:
    void priceDealsRecordsAndMaximum();
    void willDealsQueues();
    void badBodiesAreRejectedWhole_data();
    void badBodiesAreRejectedWhole();
    void priceDealsRows();
    void zeroVolumesGiveDivisionRatios();
    void resolverMakesOnePriceDealsChild();
};

void TestDealsData::priceDealsRecordsAndMaximum() {
    const auto r = DecodePriceDealsBody(PriceDealsBody(3700, kThree));
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.record->day_volume, 3700);
    QCOMPARE(r.record->max_total_volume, 2000u);
    QCOMPARE(int(r.record->records.size()), 3);
    QCOMPARE(r.record->records[2].price, 1049u);
    QCOMPARE(r.record->records[1].other_volume, 100u);
    // Totals above 2^31 are unsigned.
    const auto big = DecodePriceDealsBody(PriceDealsBody(-1, {{1, 3000000000u, 0, 0, 0}}));
    QCOMPARE(big.record->max_total_volume, 3000000000u);
    // No records: N = 0 or negative.
    for (int n : {0, -5}) {
        const auto none = DecodePriceDealsBody(PriceDealsBody(10, {}, n));
        QVERIFY(none.ok && none.record->records.empty());
        QCOMPARE(none.record->max_total_volume, 0u);
    }
}

void TestDealsData::willDealsQueues() {
    const auto r = DecodeWillDealsBody(WillDealsBody({}, {100, 2500, 300}));
    QVERIFY2(r.ok, qPrintable(r.error));
    const ResponsePkgEntity_12917& e = *r.record;
    QCOMPARE(e.header_value, 93000);
    QCOMPARE(int(e.flag1), 7);
    QCOMPARE(int(e.ask_flag), 9);
    QCOMPARE(e.bid_price, 1052);
    QVERIFY(e.bid_volumes.empty());
    QCOMPARE(e.ask_price, 1053);
    QCOMPARE(e.ask_order_count, 3);
    QCOMPARE(e.ask_volumes, (std::vector<qint32>{100, 2500, 300}));
    // A count with the top bit set is negative: no volumes, and the ask side follows at once.
    const auto negative = DecodeWillDealsBody(WillDealsBody({}, {400}, 0x8001));
    QVERIFY(negative.ok && negative.record->bid_volumes.empty());
    QCOMPARE(negative.record->ask_volumes, std::vector<qint32>{400});
}

void TestDealsData::badBodiesAreRejectedWhole_data() {
    QTest::addColumn<int>("function");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");
    const QByteArray three = PriceDealsBody(3700, kThree);
    QTest::newRow("12915 last record cut")
        << 12915 << three.left(three.size() - 1) << "12915: read of 60 bytes at offset 14";
    QTest::newRow("12915 count that lies")
        << 12915 << PriceDealsBody(3700, kThree, 4) << "12915: read of 80 bytes at offset 14";
    QTest::newRow("12915 header only") << 12915 << three.left(12) << "12915: read of 2 bytes";
    QTest::newRow("12917 ask count that lies")
        << 12917 << WillDealsBody({100}, {200}).left(45) << "12917: read of";
    QTest::newRow("12917 bid count that lies")
        << 12917 << WillDealsBody({100}, {}, 300) << "12917: read of 1200 bytes at offset 34";
    QTest::newRow("12917 empty") << 12917 << QByteArray() << "12917: read of 4 bytes at offset 0";
}

void TestDealsData::badBodiesAreRejectedWhole() {
    QFETCH(int, function);
    QFETCH(QByteArray, body);
    QFETCH(QString, error);
    const QString why =
        function == 12915 ? DecodePriceDealsBody(body).error : DecodeWillDealsBody(body).error;
    QVERIFY2(why.startsWith(error), qPrintable(why));
}

// Totals 500, 2000 and 1200 of a day of 3700: maximum 2000, relative ratios 0.25, 1.0, 0.6.
void TestDealsData::priceDealsRows() {
    const QList<nscell::DataRow> rows = Rows(PriceDealsBody(3700, kThree));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0].Names(),
             (QStringList{"buy_deal_volume", "deal_price", "deal_volume_ratio", "other_deal_volume",
                          "prev_price_base", "relative_deal_volume_ratio", "sell_deal_volume",
                          "total_deal_volume", "volume_unit"}));
    QCOMPARE(rows[0].Get("deal_price").DisplayText(), QString("10.50"));
    QCOMPARE(rows[0].Get("prev_price_base").DisplayText(), QString("0.00"));
    QCOMPARE(rows[1].Get("buy_deal_volume").ToInt64(), qint64(1000));
    QCOMPARE(rows[1].Get("sell_deal_volume").ToInt64(), qint64(900));
    QCOMPARE(rows[1].Get("other_deal_volume").ToInt64(), qint64(100));
    QCOMPARE(rows[1].Get("total_deal_volume").ToInt64(), qint64(2000));
    QCOMPARE(rows[0].Get("volume_unit"), nscell::UnsharedDataCell::FromMagnitudeUnit(100, "手"));
    const double relative[] = {0.25, 1.0, 0.6};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(rows[i].Get("relative_deal_volume_ratio").ToDouble(), relative[i]);
        QCOMPARE(rows[i].Get("deal_volume_ratio").ToDouble(), kThree[i].total / 3700.0);
    }
    QVERIFY(Rows(PriceDealsBody(3700, {})).isEmpty());
}

void TestDealsData::zeroVolumesGiveDivisionRatios() {
    const QList<nscell::DataRow> rows =
        Rows(PriceDealsBody(0, {{1000, 0, 0, 0, 0}, {1001, 5, 5, 0, 0}}));
    QCOMPARE(rows.size(), 2);
    QVERIFY(std::isnan(rows[0].Get("deal_volume_ratio").ToDouble()));  // 0 / 0
    QVERIFY(std::isinf(rows[1].Get("deal_volume_ratio").ToDouble()));  // 5 / 0
    QCOMPARE(rows[1].Get("relative_deal_volume_ratio").ToDouble(), 1.0);
}

void TestDealsData::resolverMakesOnePriceDealsChild() {
    QzLv2PriceBaseDealsScopeResolver resolver(nullptr);
    resolver.Init();
    QCOMPARE(resolver.GetSupportedTypeSet(), std::set<ScopeTypeVariant>{ScopeTypeVariant(10)});
    QCOMPARE(resolver.GetJoinMethodList().size(), 1);
    QVERIFY(resolver.GetJoinMethodList()[0].Key() ==
            JoinMethodKey(ScopeTypeVariant(10), ScopeSplitTypeVariant(8),
                          ScopeTypeVariant("price_deals")));
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(10));
    node.stock_list = StockListExpression::FromStockCode("SZ300750");
    ScopeResolveResult result;
    QVERIFY(resolver.Resolve(result, node));
    QCOMPARE(result.fetch_nodes.size(), 1);
    QVERIFY(result.fetch_nodes[0].api_type == ScopeTypeVariant("12915"));
    QCOMPARE(result.fetch_nodes[0].stock_list.GetStockCode(), QString("SZ300750"));
    QCOMPARE(result.replacement_nodes[0].children.size(), 1);
    ScopeResolveResult none;
    QVERIFY(!resolver.Resolve(none, ScopeTreeNode::NewRoot(ScopeTypeVariant("10"))));
}

QTEST_GUILESS_MAIN(TestDealsData)
#include "tst_dealsdata.moc"
