#include <QtTest>

#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/wire/stockboard/StockBoardEncoders.h"
#include "tests/services/stockboard/HandLaid.h"

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

}  // namespace

class TestStockSnapshotDecoder : public QObject {
    Q_OBJECT
private slots:
    void fullRecordFromHandLaidBytes();
    void packedIntegers_data();
    void packedIntegers();
    void noRecord();
    void onlyFirstRecordDecoded();
    void partialMasksReadOnlyTheirFields();
    void truncatedBodyRejectedWhole_data();
    void truncatedBodyRejectedWhole();
    void lyingAuctionCountRejected_data();
    void lyingAuctionCountRejected();
    void encoderMatchesDecoder_data();
    void encoderMatchesDecoder();
    void mergeKeepsUncarriedFields();
};

void TestStockSnapshotDecoder::fullRecordFromHandLaidBytes() {
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(FullRecordBody().bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(r.record.has_value());
    const StockSnapshot& s = *r.record;
    QCOMPARE(s.mask1, 0x797FFFFFu);
    QCOMPARE(s.carried2, 0x607E7E5Fu);
    QCOMPARE(s.mask3, 0x5004u);
    QCOMPARE(s.code, QString("SZ000001"));
    QCOMPARE(s.market(), QString("SZ"));
    QCOMPARE(s.name, QString::fromUtf8("平安银行"));
    QCOMPARE(int(s.price_precision), 2);
    QCOMPARE(int(s.trade_status), 1);
    QCOMPARE(s.base_price, 1050);
    QCOMPARE(s.prev_close, 1050);
    QCOMPARE(int(s.stock_type), 0x0102);
    QCOMPARE(s.bids[0], (PriceLevel{1049, 100}));
    QCOMPARE(s.bids[9], (PriceLevel{1040, 109}));
    QCOMPARE(s.asks[0], (PriceLevel{1051, 200}));
    QCOMPARE(s.asks[9], (PriceLevel{1060, 209}));
    QCOMPARE(s.open_price, 1040);
    QCOMPARE(s.high_price, 1080);
    QCOMPARE(s.low_price, 1030);
    QCOMPARE(s.last_price, 1060);
    QCOMPARE(s.volume, qint64(123456));
    QCOMPARE(s.amount, qint64(0x3ABCDE00) << 4);
    QCOMPARE(s.current_volume, qint64(5) << 8);
    QCOMPARE(s.inner_volume, qint64(600));
    QCOMPARE(s.outer_volume, qint64(700));
    QCOMPARE(s.total_bid_volume, qint64(1) << 12);
    QCOMPARE(s.total_ask_volume, qint64(900));
    QCOMPARE(s.deal_count, 4321u);
    QCOMPARE(int(s.order_ratio), -1234);
    QCOMPARE(int(s.volume_ratio), 150);
    QCOMPARE(int(s.turnover_rate), 321);
    QCOMPARE(int(s.amplitude), 243);
    QCOMPARE(s.average_price, 1055);
    QCOMPARE(s.limit_up_price, 1155);
    QCOMPARE(s.limit_down_price, 945);
    QCOMPARE(s.pe_ratio, -876);
    QCOMPARE(s.update_time, 143005u);
    QCOMPARE(s.trade_date, 20240315u);
    QCOMPARE(s.total_shares, 1940592u);
    QCOMPARE(int(s.margin_flag), 1);
    QCOMPARE(s.float_shares, 1940555u);
    QCOMPARE(int(s.rise_count), 11);
    QCOMPARE(int(s.fall_count), 22);
    QCOMPARE(int(s.flat_count), 3);
    QCOMPARE(s.period_changes, (std::array<qint32, 6>{{125, -250, 375, -500, 625, -750}}));
    QCOMPARE(s.float_ratio_today, 12345);
    QCOMPARE(s.industry_code, QString("BK0475"));
    QCOMPARE(s.industry_name, QString::fromUtf8("银行"));
    QCOMPARE(s.industry_change, -87);
    QCOMPARE(int(s.connect_flag), 1);
    QCOMPARE(int(s.turnover_ratio_5d), -321);
    QCOMPARE(s.float_ratio_5d, 54321);
    QCOMPARE(s.money_flow_today, -12345);
    QCOMPARE(int(s.listing_board), 9);
    QCOMPARE(int(s.transfer_type), 2);
    QCOMPARE(s.money_flow_5d, 234567);
    QCOMPARE(s.money_flow_10d, -345678);
    QCOMPARE(s.money_flow_20d, 456789);
    QCOMPARE(int(s.big_order_ratio), 4321);
    QCOMPARE(int(s.streak_days), -3);
    QCOMPARE(s.pb_ratio, 65);
    QCOMPARE(int(s.board_market), 1);
    QCOMPARE(int(s.board_category), 25);
    QCOMPARE(int(s.board_subcategory), 7);
    QCOMPARE(s.open_auction_price, 1041);
    QCOMPARE(s.open_auction_volume, 12000u);
    QCOMPARE(s.open_auction_points,
             (QList<AuctionPoint>{{91500, 1039, 1000}, {91501, 1040, 2000}}));
    QCOMPARE(s.close_auction_price, 1061);
    QCOMPARE(s.close_auction_volume, 34000u);
    QCOMPARE(s.close_auction_points, (QList<AuctionPoint>{{145700, 1062, 5555}}));
    QCOMPARE(s.iopv, 1001);
    QCOMPARE(s.prev_iopv, -999);
    QCOMPARE(int(s.after_hours_status), 2);
    QCOMPARE(int(s.after_hours_deal_count), 17);
    QCOMPARE(s.after_hours_volume, 56000u);
    QCOMPARE(s.after_hours_amount, 690000u);
    QCOMPARE(int(s.after_hours_time), 1530);
    QCOMPARE(int(s.vcm_flag), 1);
    QCOMPARE(int(s.vcm_stage), 2);
    QCOMPARE(s.vcm_reference_price, 1033);
}

void TestStockSnapshotDecoder::packedIntegers_data() {
    QTest::addColumn<quint32>("word");
    QTest::addColumn<qint64>("value");
    QTest::newRow("k0") << 0x00000010u << qint64(16);
    QTest::newRow("k1 is 16") << 0x40000001u << qint64(16);
    QTest::newRow("k2") << 0x80000003u << qint64(3 * 256);
    QTest::newRow("k3 max mantissa") << 0xFFFFFFFFu << (qint64(0x3FFFFFFF) << 12);
    QTest::newRow("k0 max mantissa") << 0x3FFFFFFFu << qint64(0x3FFFFFFF);
}

void TestStockSnapshotDecoder::packedIntegers() {
    QFETCH(quint32, word);
    QFETCH(qint64, value);
    HandLaid b;
    b.header14().u16(1).u32(0x1000).u32(0).u32(0).u32(word);
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(b.bytes());
    QVERIFY(r.ok && r.record);
    QCOMPARE(r.record->volume, value);
}

void TestStockSnapshotDecoder::noRecord() {
    HandLaid b;
    b.header14().u16(0);
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(b.bytes());
    QVERIFY(r.ok);
    QVERIFY(!r.record.has_value());
}

void TestStockSnapshotDecoder::onlyFirstRecordDecoded() {
    HandLaid b;
    b.header14().u16(2);
    b.u32(0x3).u32(0).u32(0).str("SH600000").str("A");
    b.u32(0x3).u32(0).u32(0).str("SH600001");  // second record, cut short: never read
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(b.bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.record->code, QString("SH600000"));
    QCOMPARE(r.record->name, QString("A"));
}

void TestStockSnapshotDecoder::partialMasksReadOnlyTheirFields() {
    // mask 1: code, last price, volume; mask 2: money flow today; mask 3: vcm.
    HandLaid b;
    b.header14().u16(1).u32(0x1 | 0x800 | 0x1000).u32(0x2000).u32(0x4000);
    b.str("SH600000").i32(999).packed(1, 10).i32(-5).u8(1).u8(0).i32(998);
    const DecodeResult<StockSnapshot> r = DecodeStockSnapshotBody(b.bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    QCOMPARE(r.record->last_price, 999);
    QCOMPARE(r.record->volume, qint64(160));
    QCOMPARE(r.record->money_flow_today, -5);
    QCOMPARE(r.record->vcm_reference_price, 998);
    QCOMPARE(r.record->name, QString());
    QVERIFY(!r.record->Has1(snapshot::kStockType));
}

void TestStockSnapshotDecoder::truncatedBodyRejectedWhole_data() {
    QTest::addColumn<int>("length");
    const int full = FullRecordBody().size();
    QTest::newRow("empty") << 0;
    QTest::newRow("inside header") << 9;
    QTest::newRow("no count") << 14;
    QTest::newRow("inside masks") << 20;
    for (int cut : {1, 2, 3, 5, 13, 40, 100}) {
        QTest::newRow(qPrintable(QString("last %1 bytes missing").arg(cut))) << full - cut;
    }
}

void TestStockSnapshotDecoder::truncatedBodyRejectedWhole() {
    QFETCH(int, length);
    const DecodeResult<StockSnapshot> r =
        DecodeStockSnapshotBody(FullRecordBody().bytes().left(length));
    QVERIFY(!r.ok);
    QVERIFY(!r.record.has_value());
    QVERIFY2(r.error.startsWith("DecodeStockSnapshotBody"), qPrintable(r.error));
    QVERIFY2(r.error.contains(QString("body length %1").arg(length)), qPrintable(r.error));
}

void TestStockSnapshotDecoder::lyingAuctionCountRejected_data() {
    QTest::addColumn<int>("openCount");
    QTest::addColumn<int>("closeCount");
    QTest::newRow("open count huge") << 0xFFFF << 1;
    QTest::newRow("close count one too many") << 2 << 2;
    QTest::newRow("close count huge") << 2 << 0xFFFF;
}

void TestStockSnapshotDecoder::lyingAuctionCountRejected() {
    QFETCH(int, openCount);
    QFETCH(int, closeCount);
    const DecodeResult<StockSnapshot> r =
        DecodeStockSnapshotBody(FullRecordBody(quint16(openCount), quint16(closeCount)).bytes());
    QVERIFY(!r.ok);
    QVERIFY(r.error.contains("offset"));
}

void TestStockSnapshotDecoder::encoderMatchesDecoder_data() {
    QTest::addColumn<quint32>("mask1");
    QTest::addColumn<quint32>("mask2");
    QTest::addColumn<quint32>("mask3");
    QTest::newRow("all") << snapshot::kAllMask1 << snapshot::kAllMask2 << snapshot::kAllMask3;
    QTest::newRow("push request masks") << 0x19600FDFu << 0x60400415u << 0x4000u;
    QTest::newRow("snapshot request masks") << 0x601FF02Fu << 0x203E7E4Au << 0x5004u;
    QTest::newRow("code only") << 0x1u << 0u << 0u;
}

void TestStockSnapshotDecoder::encoderMatchesDecoder() {
    QFETCH(quint32, mask1);
    QFETCH(quint32, mask2);
    QFETCH(quint32, mask3);
    StockSnapshot full = simwire::MakeFullStockSnapshot("SH600000");
    full.mask1 = mask1;
    full.mask2 = mask2;
    full.mask3 = mask3;
    const DecodeResult<StockSnapshot> r =
        DecodeStockSnapshotBody(simwire::EncodeStockSnapshotBody(full));
    QVERIFY2(r.ok, qPrintable(r.error));
    StockSnapshot expected;  // only the carried fields, merged onto an empty record
    expected.MergeFrom(full);
    expected.carried1 = mask1;
    expected.carried2 = mask2;
    expected.carried3 = mask3;
    QVERIFY(*r.record == expected);
}

void TestStockSnapshotDecoder::mergeKeepsUncarriedFields() {
    const StockSnapshot older = *DecodeStockSnapshotBody(FullRecordBody().bytes()).record;
    HandLaid b;
    b.header14().u16(1).u32(0x1 | 0x800).u32(0x2000).u32(0);
    b.str("SZ000001").i32(1077).i32(-1);
    StockSnapshot merged = older;
    merged.MergeFrom(*DecodeStockSnapshotBody(b.bytes()).record);
    QCOMPARE(merged.last_price, 1077);
    QCOMPARE(merged.money_flow_today, -1);
    QCOMPARE(merged.name, older.name);
    QCOMPARE(merged.bids, older.bids);
    QCOMPARE(merged.open_auction_points, older.open_auction_points);
    QCOMPARE(merged.vcm_reference_price, older.vcm_reference_price);
    QCOMPARE(merged.mask1, 0x801u);
    QCOMPARE(merged.mask3, 0u);
    QCOMPARE(merged.carried1, 0x797FFFFFu);
    QCOMPARE(merged.carried3, 0x5004u);
}

QTEST_GUILESS_MAIN(TestStockSnapshotDecoder)
#include "tst_stocksnapshotdecoder.moc"
