#include <QtTest>

#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "sim/wire/stockboard/StockBoardEncoders.h"
#include "tests/services/stockboard/HandLaid.h"

namespace {

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

class TestPerStockDecoders : public QObject {
    Q_OBJECT
private slots:
    void stockRelatedFromHandLaidBytes_data();
    void stockRelatedFromHandLaidBytes();
    void stockRelatedGroupsFollowMasks();
    void stockRelatedNoRecord_data();
    void stockRelatedNoRecord();
    void stockRelatedTruncatedRejected_data();
    void stockRelatedTruncatedRejected();
    void stockRelatedEncoderMatches();

    void dataSetFromHandLaidBytes();
    void dataSetTruncatedRejected();
    void dataSetRequestMask_data();
    void dataSetRequestMask();
    void dataSetEncoderMatches();
};

void TestPerStockDecoders::stockRelatedFromHandLaidBytes_data() {
    QTest::addColumn<int>("layout");
    QTest::newRow("V 105 adds two bytes") << 105;
    QTest::newRow("V 107") << 107;
}

void TestPerStockDecoders::stockRelatedFromHandLaidBytes() {
    QFETCH(int, layout);
    const auto r =
        DecodeStockRelatedBody(StockRelatedBody(quint16(layout), 0x40000400, 0x20).bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    const ResponsePkgEntity_12755& e = *r.record;
    QCOMPARE(int(e.layout), layout);
    QCOMPARE(e.code, QString("SZ300750"));
    QCOMPARE(e.market_code, QString("SZ"));
    QCOMPARE(e.second_text, QString::fromUtf8("宁德时代"));
    QCOMPARE(int(e.kept_byte), 0x42);
    QVERIFY(e.has_ratios && e.has_after_close && e.has_category);
    QCOMPARE(e.ratios, (std::array<qint32, 4>{{-11, 22, 12345, -6789}}));
    QCOMPARE(e.FloatRatio20d(), 12345);
    QCOMPARE(e.TurnoverRatio20d(), -6789);
    QCOMPARE(e.AfterCloseVolume(), -150);
    QCOMPARE(e.AfterCloseCapital(), 3210);
    QCOMPARE(e.after_close[2], 77);
    QCOMPARE(int(e.Category()), 25);
    QCOMPARE(e.category_bytes, (std::array<quint8, 3>{{3, 25, 4}}));
}

void TestPerStockDecoders::stockRelatedGroupsFollowMasks() {
    const auto r = DecodeStockRelatedBody(StockRelatedBody(107, 0x40000000, 0).bytes());
    QVERIFY2(r.ok, qPrintable(r.error));
    QVERIFY(!r.record->has_ratios);
    QVERIFY(!r.record->has_category);
    QCOMPARE(r.record->AfterCloseVolume(), -150);
    QCOMPARE(r.record->ratios[2], 0);
}

void TestPerStockDecoders::stockRelatedNoRecord_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -1;
}

void TestPerStockDecoders::stockRelatedNoRecord() {
    QFETCH(int, count);
    const auto r = DecodeStockRelatedBody(StockRelatedBody(107, 0x400, 0, qint16(count)).bytes());
    QVERIFY(r.ok);
    QVERIFY(!r.record);
}

void TestPerStockDecoders::stockRelatedTruncatedRejected_data() {
    QTest::addColumn<int>("layout");
    QTest::addColumn<int>("cut");
    for (int layout : {105, 107}) {
        for (int cut : {1, 3, 12, 30}) {
            QTest::newRow(qPrintable(QString("V %1 minus %2").arg(layout).arg(cut)))
                << layout << cut;
        }
    }
}

void TestPerStockDecoders::stockRelatedTruncatedRejected() {
    QFETCH(int, layout);
    QFETCH(int, cut);
    const QByteArray body = StockRelatedBody(quint16(layout), 0x40000400, 0x20).bytes();
    const auto r = DecodeStockRelatedBody(body.left(body.size() - cut));
    QVERIFY(!r.ok);
    QVERIFY2(r.error.startsWith("DecodeStockRelatedBody"), qPrintable(r.error));
}

void TestPerStockDecoders::stockRelatedEncoderMatches() {
    for (quint16 layout : {quint16(105), quint16(107)}) {
        const QByteArray hand = StockRelatedBody(layout, 0x40000400, 0x20).bytes();
        ResponsePkgEntity_12755 e = *DecodeStockRelatedBody(hand).record;
        const auto again = DecodeStockRelatedBody(simwire::EncodeStockRelatedBody(e));
        QVERIFY(again.ok);
        QCOMPARE(again.record->ratios, e.ratios);
        QCOMPARE(again.record->after_close, e.after_close);
        QCOMPARE(again.record->category_bytes, e.category_bytes);
        QCOMPARE(again.record->kept_byte, e.kept_byte);
    }
}

void TestPerStockDecoders::dataSetFromHandLaidBytes() {
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
    QCOMPARE(e.limit_up_price, 1155);
    QCOMPARE(e.limit_down_price, 945);
    QCOMPARE(e.total_shares, qint64(0x12345678) << 4);
    QCOMPARE(e.float_shares, qint64(1000000));
    QCOMPARE(e.quota_balance, qint64(52) << 8);
    QCOMPARE(int(e.quota_status), 1);
    QCOMPARE(e.row.Get("limit_up_price").DisplayText(), QString("11.55"));
    QCOMPARE(e.row.Get("eps").DisplayText(), QString("1.2345"));
    QCOMPARE(e.row.Get("nav_per_share").DisplayText(), QString("-5.0000"));
    QCOMPARE(e.row.Get("float_shares").ToInt64(), qint64(1000000));
}

void TestPerStockDecoders::dataSetTruncatedRejected() {
    HandLaid b;
    b.header14().u16(1).str("HH600000").u32(0x400).packed(0, 5);  // quota status missing
    const auto r = DecodeStockDataSetBody(b.bytes());
    QVERIFY(!r.ok);
    QVERIFY2(r.error.startsWith("DecodeStockDataSetBody"), qPrintable(r.error));
    HandLaid empty;
    empty.header14().u16(0);
    QVERIFY(DecodeStockDataSetBody(empty.bytes()).ok);
    QVERIFY(!DecodeStockDataSetBody(empty.bytes()).record);
}

void TestPerStockDecoders::dataSetRequestMask_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<quint32>("mask");
    QTest::newRow("SZ") << "SZ000001" << 0xE20u;
    QTest::newRow("SH") << "SH600000" << 0xE20u;
    QTest::newRow("SO") << "SO10000001" << 0x20u;
    QTest::newRow("HH") << "HH600000" << 0x400u;
    QTest::newRow("HZ") << "HZ000001" << 0x400u;
    QTest::newRow("other") << "BJ830000" << 0x20u;
}

void TestPerStockDecoders::dataSetRequestMask() {
    QFETCH(QString, code);
    QFETCH(quint32, mask);
    QCOMPARE(stock_data_set::RequestMaskFor(code), mask);
}

void TestPerStockDecoders::dataSetEncoderMatches() {
    ResponsePkgEntity_10012 e;
    e.code = "SZ000001";
    e.mask = 0xE20;
    e.limit_up_price = 1;
    e.limit_down_price = -2;
    e.total_shares = 3;
    e.float_shares = 4;
    e.quota_balance = 5;
    e.quota_status = 6;
    e.eps = 7;
    e.nav_per_share = 8;
    const auto r = DecodeStockDataSetBody(simwire::EncodeStockDataSetBody(e));
    QVERIFY(r.ok);
    QCOMPARE(r.record->limit_down_price, -2);
    QCOMPARE(r.record->quota_status, quint8(6));
    QCOMPARE(r.record->nav_per_share, 8);
}

QTEST_GUILESS_MAIN(TestPerStockDecoders)
#include "tst_perstockdecoders.moc"
