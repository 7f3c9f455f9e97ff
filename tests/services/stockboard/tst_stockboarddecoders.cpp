// The stock-board body decoders: 10001/10002 snapshots, 12755 stock-related records and 10012
// data sets, from bytes laid out by hand from their tables; bad bodies are rejected whole.
#include <QtTest>

#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "tests/services/HandLaid.h"

namespace {

// One 10002 record with every bit of all three masks set, laid out in table order.
HandLaid FullRecordBody(quint16 auctionCountOpen = 2, quint16 auctionCountClose = 1) {
    HandLaid b;
    b.header14().u16(1);
    b.u32(0x797FFFFF).u32(0x607E7E5F).u32(0x5004);
    // mask 1
    b.str("SZ000001").str(QString::fromUtf8("平安银行"));
    b.u8(2).u8(1).i32(1050).u16(0x0102);
    for (int i = 0; i < 10; ++i)
        b.i32(1049 - i).u32(100 + i);  // bids
    for (int i = 0; i < 10; ++i)
        b.i32(1051 + i).u32(200 + i);                        // asks
    b.i32(1040).i32(1080).i32(1030).i32(1060);               // open, high, low, last
    b.packed(0, 123456).packed(1, 0x3ABCDE00).packed(2, 5);  // volume, amount, current
    b.packed(0, 600).packed(0, 700);                         // inner, outer
    b.packed(3, 1).packed(0, 900);                           // bid/ask totals
    b.u32(4321).i16(-1234).u16(150).u16(321).u16(243);
    b.i32(1055).i32(1155).i32(945).i32(-876).u32(143005).u32(20240315);
    // mask 2
    b.u32(1940592).u8(1).u32(1940555).u16(11).u16(22).u16(3);
    b.i32(125).i32(-250).i32(375).i32(-500).i32(625).i32(-750);
    b.i32(12345);                                             // 0x40
    b.str("BK0475").str(QString::fromUtf8("银行")).i32(-87);  // 0x200
    b.u8(1).i16(-321).i32(54321).i32(-12345).u8(9).u8(2);     // 0x400 .. 0x4000
    b.i32(234567).i32(-345678).i32(456789);                   // money flows 5/10/20d
    b.i16(4321).i16(-3).i32(65);                              // 0x100000, 0x200000, 0x400000
    b.u8(1).u8(25).u8(7);                                     // 0x20000000
    b.i32(1041).u32(12000).u16(auctionCountOpen);             // 0x40000000
    for (int i = 0; i < 2; ++i)
        b.u32(91500 + i).i32(1039 + i).u32(1000 * (i + 1));
    b.i32(1061).u32(34000).u16(auctionCountClose);
    b.u32(145700).i32(1062).u32(5555);
    // mask 3
    b.i32(1001).i32(-999);
    b.u8(2).u16(17).u32(56000).u32(690000).u16(1530);
    b.u8(1).u8(2).i32(1033);
    return b;
}

// A 12755 body laid out from its table; groups present by the masks.
HandLaid StockRelatedBody(quint16 layout, quint32 mask1, quint32 mask2, qint16 count = 1) {
    HandLaid b;
    b.u32(0x01020304).u32(0x05060708).u16(layout).u32(mask1).u32(mask2).u32(9).u16(10);
    b.i16(count);
    if (count < 1) {
        return b;
    }
    b.str("SZ300750").str(QString::fromUtf8("宁德时代")).u8(0xEE).u8(0x42);
    b.i32(1).i32(2).i32(3).i32(4).i32(5).i32(6);
    if (layout == 105)
        b.u16(0xBEEF);
    if (mask1 & 0x400)
        b.i32(-11).i32(22).i32(12345).i32(-6789);
    if (mask1 & 0x40000000)
        b.i32(-150).i32(3210).i32(77);
    if (mask2 & 0x20)
        b.u8(3).u8(25).u8(4);
    return b;
}

}  // namespace

class TestStockBoardDecoders : public QObject {
    Q_OBJECT
private slots:
    void snapshotFullRecordFromHandLaidBytes();
    void snapshotRecordCountAndPartialMasks();
    void snapshotBadBodyRejectedWhole_data();
    void snapshotBadBodyRejectedWhole();

    void stockRelatedFromHandLaidBytes_data();
    void stockRelatedFromHandLaidBytes();
    void stockRelatedNoRecordOrTruncated_data();
    void stockRelatedNoRecordOrTruncated();
    void dataSetFromHandLaidBytes();
};

void TestStockBoardDecoders::snapshotFullRecordFromHandLaidBytes() {
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(FullRecordBody().bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(r.record.has_value());
    const StockSnapshot& s = *r.record;
    QCOMPARE((QList<quint32>{s.mask1, s.carried2, s.mask3}),
             (QList<quint32>{0x797FFFFF, 0x607E7E5F, 0x5004}));
    QCOMPARE((QStringList{s.code, s.market(), s.name, s.industry_code, s.industry_name}),
             (QStringList{"SZ000001", "SZ", QString::fromUtf8("平安银行"), "BK0475",
                          QString::fromUtf8("银行")}));
    QCOMPARE(s.bids[0], (PriceLevel{1049, 100}));
    QCOMPARE(s.bids[9], (PriceLevel{1040, 109}));
    QCOMPARE(s.asks[0], (PriceLevel{1051, 200}));
    QCOMPARE(s.asks[9], (PriceLevel{1060, 209}));
    QCOMPARE(s.period_changes, (std::array<qint32, 6>{{125, -250, 375, -500, 625, -750}}));
    QCOMPARE(s.open_auction_points,
             (QList<AuctionPoint>{{91500, 1039, 1000}, {91501, 1040, 2000}}));
    QCOMPARE(s.close_auction_points, (QList<AuctionPoint>{{145700, 1062, 5555}}));
    // The numeric fields in wire order.
    const QList<qint64> got = {
        s.price_precision, s.trade_status, s.base_price, s.prev_close, s.stock_type, s.open_price,
        s.high_price, s.low_price, s.last_price, s.volume, s.amount, s.current_volume,
        s.inner_volume, s.outer_volume, s.total_bid_volume, s.total_ask_volume, s.deal_count,
        s.order_ratio, s.volume_ratio, s.turnover_rate, s.amplitude, s.average_price,
        s.limit_up_price, s.limit_down_price, s.pe_ratio, s.update_time, s.trade_date,
        // mask 2
        s.total_shares, s.margin_flag, s.float_shares, s.rise_count, s.fall_count, s.flat_count,
        s.float_ratio_today, s.industry_change, s.connect_flag, s.turnover_ratio_5d,
        s.float_ratio_5d, s.money_flow_today, s.listing_board, s.transfer_type, s.money_flow_5d,
        s.money_flow_10d, s.money_flow_20d, s.big_order_ratio, s.streak_days, s.pb_ratio,
        s.board_market, s.board_category, s.board_subcategory, s.open_auction_price,
        s.open_auction_volume, s.close_auction_price, s.close_auction_volume,
        // mask 3
        s.iopv, s.prev_iopv, s.after_hours_status, s.after_hours_deal_count, s.after_hours_volume,
        s.after_hours_amount, s.after_hours_time, s.vcm_flag, s.vcm_stage, s.vcm_reference_price};
    const QList<qint64> want = {
        2, 1, 1050, 1050, 0x0102, 1040, 1080, 1030, 1060, 123456, qint64(0x3ABCDE00) << 4, 5 << 8,
        600, 700, 1 << 12, 900, 4321, -1234, 150, 321, 243, 1055, 1155, 945, -876, 143005, 20240315,
        // mask 2
        1940592, 1, 1940555, 11, 22, 3, 12345, -87, 1, -321, 54321, -12345, 9, 2, 234567, -345678,
        456789, 4321, -3, 65, 1, 25, 7, 1041, 12000, 1061, 34000,
        // mask 3
        1001, -999, 2, 17, 56000, 690000, 1530, 1, 2, 1033};
    QCOMPARE(got, want);
}

void TestStockBoardDecoders::snapshotRecordCountAndPartialMasks() {
    const DecodeResult<StockSnapshot> none =
        DecodeStockSnapshotBody(HandLaid().header14().u16(0).bytes());
    QVERIFY(none.ok && !none.record);

    // mask 1: code, last price, volume (packed, largest); mask 2: money flow today; mask 3: vcm.
    // A second record follows, cut short: only the first is read.
    HandLaid b;
    b.header14().u16(2).u32(0x1 | 0x800 | 0x1000).u32(0x2000).u32(0x4000);
    b.str("SH600000").i32(999).packed(3, 0x3FFFFFFF).i32(-5).u8(1).u8(0).i32(998);
    b.u32(0x3).u32(0).u32(0).str("SH600001");
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(b.bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.record->code, QString("SH600000"));
    QCOMPARE(r.record->last_price, 999);
    QCOMPARE(r.record->volume, qint64(0x3FFFFFFF) << 12);
    QCOMPARE(r.record->money_flow_today, -5);
    QCOMPARE(r.record->vcm_reference_price, 998);
    QCOMPARE(r.record->name, QString());
    QVERIFY(!r.record->Has1(snapshot::kStockType));
}

void TestStockBoardDecoders::snapshotBadBodyRejectedWhole_data() {
    QTest::addColumn<QByteArray>("body");
    const QByteArray full = FullRecordBody().bytes();
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("inside header") << full.left(9);
    QTest::newRow("no count") << full.left(14);
    QTest::newRow("inside masks") << full.left(20);
    for (int cut : {1, 2, 3, 5, 13, 40, 100}) {
        QTest::newRow(qPrintable(QString("last %1 bytes missing").arg(cut))) << full.chopped(cut);
    }
    QTest::newRow("open auction count huge") << FullRecordBody(0xFFFF, 1).bytes();
    QTest::newRow("close auction count one too many") << FullRecordBody(2, 2).bytes();
    QTest::newRow("close auction count huge") << FullRecordBody(2, 0xFFFF).bytes();
}

void TestStockBoardDecoders::snapshotBadBodyRejectedWhole() {
    QFETCH(QByteArray, body);
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(body);
    QVERIFY(!r.ok);
    QVERIFY(!r.record.has_value());
    QVERIFY2(r.error.startsWith("DecodeStockSnapshotBody"), qPrintable(r.error));
    QVERIFY2(r.error.contains("offset"), qPrintable(r.error));
    QVERIFY2(r.error.contains(QString("body length %1").arg(body.size())), qPrintable(r.error));
}

void TestStockBoardDecoders::stockRelatedFromHandLaidBytes_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<quint32>("mask1");
    QTest::addColumn<quint32>("mask2");
    QTest::newRow("V 105 adds two bytes") << 105 << 0x40000400u << 0x20u;
    QTest::newRow("V 107") << 107 << 0x40000400u << 0x20u;
    QTest::newRow("V 107, after-close group only") << 107 << 0x40000000u << 0u;
}

void TestStockBoardDecoders::stockRelatedFromHandLaidBytes() {
    QFETCH(int, layout);
    QFETCH(quint32, mask1);
    QFETCH(quint32, mask2);
    const auto r = DecodeStockRelatedBody(StockRelatedBody(quint16(layout), mask1, mask2).bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    const ResponsePkgEntity_12755& e = *r.record;
    QCOMPARE(int(e.layout), layout);
    QCOMPARE((QStringList{e.code, e.market_code, e.second_text}),
             (QStringList{"SZ300750", "SZ", QString::fromUtf8("宁德时代")}));
    QCOMPARE(int(e.kept_byte), 0x42);
    QCOMPARE(e.has_ratios, mask1 == 0x40000400u);
    QCOMPARE(e.has_category, mask2 != 0);
    QVERIFY(e.has_after_close);
    QCOMPARE(e.ratios, e.has_ratios ? (std::array<qint32, 4>{{-11, 22, 12345, -6789}})
                                    : (std::array<qint32, 4>{}));
    QCOMPARE(e.FloatRatio20d(), e.ratios[2]);
    QCOMPARE(e.TurnoverRatio20d(), e.ratios[3]);
    QCOMPARE(e.AfterCloseVolume(), -150);
    QCOMPARE(e.AfterCloseCapital(), 3210);
    QCOMPARE(e.after_close[2], 77);
    if (e.has_category) {
        QCOMPARE(int(e.Category()), 25);
        QCOMPARE(e.category_bytes, (std::array<quint8, 3>{{3, 25, 4}}));
    }
}

void TestStockBoardDecoders::stockRelatedNoRecordOrTruncated_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("ok");
    QTest::newRow("zero records") << StockRelatedBody(107, 0x400, 0, 0).bytes() << true;
    QTest::newRow("negative count") << StockRelatedBody(107, 0x400, 0, -1).bytes() << true;
    for (int layout : {105, 107}) {
        const QByteArray body = StockRelatedBody(quint16(layout), 0x40000400, 0x20).bytes();
        for (int cut : {1, 3, 12, 30}) {
            QTest::newRow(qPrintable(QString("V %1 minus %2").arg(layout).arg(cut)))
                << body.chopped(cut) << false;
        }
    }
}

void TestStockBoardDecoders::stockRelatedNoRecordOrTruncated() {
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    const auto r = DecodeStockRelatedBody(body);
    QCOMPARE(r.ok, ok);
    QVERIFY(!r.record);
    QVERIFY2(ok || r.error.startsWith("DecodeStockRelatedBody"), qPrintable(r.error));
}

void TestStockBoardDecoders::dataSetFromHandLaidBytes() {
    HandLaid b;
    b.header14().u16(1).str("SH600000").u32(0xE20);
    b.i32(1155).i32(945);                        // limits
    b.packed(1, 0x12345678).packed(0, 1000000);  // shares
    b.packed(2, 52).u8(1);                       // quota
    b.i32(12345).i32(-50000);                    // eps, nav
    const auto r = DecodeStockDataSetBody(b.bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    const ResponsePkgEntity_10012& e = *r.record;
    QCOMPARE(e.code, QString("SH600000"));
    QCOMPARE(
        (QList<qint64>{e.limit_up_price, e.limit_down_price, e.total_shares, e.float_shares,
                       e.quota_balance, e.quota_status, e.eps, e.nav_per_share}),
        (QList<qint64>{1155, 945, qint64(0x12345678) << 4, 1000000, 52 << 8, 1, 12345, -50000}));
    QCOMPARE(e.row.Get("limit_up_price").DisplayText(), QString("11.55"));
    QCOMPARE(e.row.Get("eps").DisplayText(), QString("1.2345"));
    QCOMPARE(e.row.Get("nav_per_share").DisplayText(), QString("-5.0000"));
    QCOMPARE(e.row.Get("float_shares").ToInt64(), qint64(1000000));

    HandLaid cut;  // the quota group without its status byte
    cut.header14().u16(1).str("HH600000").u32(0x400).packed(0, 5);
    const auto rejected = DecodeStockDataSetBody(cut.bytes());
    QVERIFY(!rejected.ok);
    QVERIFY2(rejected.error.startsWith("DecodeStockDataSetBody"), qPrintable(rejected.error));
    const auto empty = DecodeStockDataSetBody(HandLaid().header14().u16(0).bytes());
    QVERIFY(empty.ok && !empty.record);
}

QTEST_GUILESS_MAIN(TestStockBoardDecoders)
#include "tst_stockboarddecoders.moc"
