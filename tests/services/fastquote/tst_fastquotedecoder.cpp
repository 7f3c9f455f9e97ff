// The 12989 body decoder: fields in wire order, level and queue rows, filler levels, and bodies
// that are rejected whole. Bodies are laid out by hand from the wire table.
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"
#include "tests/services/fastquote/HandLaid12989.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

UnsharedDataCell Key(qint64 v) {
    return UnsharedDataCell::FromInteger(v);
}
UnsharedDataCell Big(qint64 v) {
    return UnsharedDataCell::FromBigInteger(v);
}

QList<qint64> KeyValues(const ThousandGearsQuoteData::RowMap& map) {
    QList<qint64> values;
    for (const UnsharedDataCell& key : map.keys()) {
        values << key.ToInt64();
    }
    return values;
}

QList<qint64> Range(qint64 from, qint64 to) {
    QList<qint64> values;
    for (qint64 v = from; v <= to; ++v) {
        values << v;
    }
    return values;
}

void ExpectRejection() {
    QTest::ignoreMessage(
        QtWarningMsg,
        QRegularExpression("^lv2-12989 \\{:SEPARATOR\\} FastQuoteDecoder::Decode: function 12989 "
                           "body rejected: offset \\d+ wanted \\d+ bytes of \\d+$"));
}

}  // namespace

class TestFastQuoteDecoder : public QObject {
    Q_OBJECT

private slots:
    void decodesLiteralBodyFieldByField();
    void shortSidesArePaddedWithFillersKeyedFromZero();
    void fullSidesKeepEveryLevelWithoutFillers();
    void levelWithoutQueuedOrdersHasEmptyVolumeList();
    void laterLevelWithSamePriceReplacesEarlierInMaps();
    void encoderWritesTheWireTable();
    void badBodiesAreRejectedWhole_data();
    void badBodiesAreRejectedWhole();
    void fuzzSeedsAreValidBodies();
};

void TestFastQuoteDecoder::decodesLiteralBodyFieldByField() {
    // One buy level (price 1050, 30000 shares, 2 orders, big, K = 2: 10000 and 20000), no sell
    // level, fast-ten flag 1.
    const QByteArray body = QByteArray::fromHex(
        "00000000"  // not interpreted
        "00000000"  // not interpreted
        "0800"
        "5348363030303030"  // code "SH600000"
        "00000000"          // not interpreted
        "0000"              // not interpreted
        "0100"              // Nb = 1
        "0000"              // Ns = 0
        "1a040000"          // price 1050
        "30750000"          // volume 30000
        "02000000"          // order count 2
        "0100"              // big flag
        "0200"              // K = 2
        "10270000"
        "204e0000"  // 10000, 20000
        "01");      // fast-ten flag
    ResponsePkgEntity_12989 entity;
    QString code;
    QVERIFY(FastQuoteDecoder::Decode(body, entity, code));

    QCOMPARE(code, QString("SH600000"));
    QCOMPARE(int(entity.fast_ten_flag), 1);
    QCOMPARE(int(entity.wills.buy_rows.size()), 10);
    QCOMPARE(int(entity.wills.sell_rows.size()), 10);

    const DataRow level = entity.wills.buy_rows.front();
    QCOMPARE(level.Get("type").ToString(), QString("buy"));
    QCOMPARE(level.Get("price"), Big(1050));
    QCOMPARE(level.Get("vol"), Big(30000));
    QCOMPARE(level.Get("isbig"), Big(1));
    QCOMPARE(entity.gears.buy_levels.value(Key(1050)), level);

    const DataRow queue = entity.gears.buy_queues.value(Key(1050));
    QCOMPARE(queue.Get("will_type").ToString(), QString("buy"));
    QCOMPARE(queue.Get("will_price"), Big(1050));
    QCOMPARE(queue.Get("volume_unit"),
             UnsharedDataCell::FromMagnitudeUnit(100, QString::fromUtf8("手")));
    QCOMPARE(queue.Get("total_will_count"), Big(2));
    QCOMPARE(queue.Get("will_volume_list").ToString(), QString("10000,20000"));
    QVERIFY(!queue.Contains("big_volumeindex_list"));  // set by the conversion

    // The empty sell side: ten fillers keyed 0..9.
    QCOMPARE(KeyValues(entity.gears.sell_levels), Range(0, 9));
    const DataRow fillerQueue = entity.gears.sell_queues.value(Key(3));
    QCOMPARE(fillerQueue.Get("will_type").ToString(), QString("sell"));
    QCOMPARE(fillerQueue.Get("will_price"), Big(0));
    QCOMPARE(fillerQueue.Get("total_will_count"), Big(0));
    QCOMPARE(fillerQueue.Get("will_volume_list").ToString(), QString());
    QVERIFY(fillerQueue.Contains("big_volumeindex_list"));
    QCOMPARE(fillerQueue.Get("big_volumeindex_list").ToString(), QString());
    const DataRow fillerLevel = entity.wills.sell_rows.back();
    QCOMPARE(fillerLevel.Get("type").ToString(), QString("sell"));
    QCOMPARE(fillerLevel.Get("price"), Big(0));
    QCOMPARE(fillerLevel.Get("vol"), Big(0));
    QCOMPARE(fillerLevel.Get("isbig"), Big(0));
}

void TestFastQuoteDecoder::shortSidesArePaddedWithFillersKeyedFromZero() {
    const QByteArray body = handlaid::Body("SZ000001", handlaid::Levels(3, 1000, -1),
                                           handlaid::Levels(12, 1001, 1), -1);
    ResponsePkgEntity_12989 entity;
    QString code;
    QVERIFY(FastQuoteDecoder::Decode(body, entity, code));

    QCOMPARE(int(entity.wills.buy_rows.size()), 10);
    QCOMPARE(int(entity.wills.sell_rows.size()), 12);
    // 3 real buy levels in book order, then 7 fillers.
    QCOMPARE(entity.wills.buy_rows[0].Get("price"), Big(1000));
    QCOMPARE(entity.wills.buy_rows[2].Get("price"), Big(998));
    for (int i = 3; i < 10; ++i) {
        QCOMPARE(entity.wills.buy_rows[i].Get("price"), Big(0));
    }
    QCOMPARE(KeyValues(entity.gears.buy_levels), (Range(0, 6) + QList<qint64>{998, 999, 1000}));
    QCOMPARE(KeyValues(entity.gears.buy_queues), (Range(0, 6) + QList<qint64>{998, 999, 1000}));
    QCOMPARE(KeyValues(entity.gears.sell_levels), Range(1001, 1012));
    QCOMPARE(KeyValues(entity.gears.sell_queues), Range(1001, 1012));
    QCOMPARE(entity.gears.sell_queues.value(Key(1012)).Get("will_volume_list").ToString(),
             QString("1200"));
    QCOMPARE(int(entity.fast_ten_flag), -1);
}

void TestFastQuoteDecoder::fullSidesKeepEveryLevelWithoutFillers() {
    const QByteArray body =
        handlaid::Body("SH600000", handlaid::Levels(10, 500, -1), handlaid::Levels(10, 501, 1), 0);
    ResponsePkgEntity_12989 entity;
    QString code;
    QVERIFY(FastQuoteDecoder::Decode(body, entity, code));
    QCOMPARE(KeyValues(entity.gears.buy_levels), Range(491, 500));
    QCOMPARE(KeyValues(entity.gears.sell_levels), Range(501, 510));
    QCOMPARE(int(entity.wills.buy_rows.size()), 10);
}

void TestFastQuoteDecoder::levelWithoutQueuedOrdersHasEmptyVolumeList() {
    const QByteArray body = handlaid::Body("SH600000", {{1050, 700, 0, 0, {}}}, {}, 0);
    ResponsePkgEntity_12989 entity;
    QString code;
    QVERIFY(FastQuoteDecoder::Decode(body, entity, code));
    const DataRow queue = entity.gears.buy_queues.value(Key(1050));
    QCOMPARE(queue.Get("will_volume_list").ToString(), QString(""));
    QCOMPARE(queue.Get("total_will_count"), Big(0));
}

void TestFastQuoteDecoder::laterLevelWithSamePriceReplacesEarlierInMaps() {
    const QByteArray body = handlaid::Body(
        "SH600000", {{1050, 100, 1, 0, {100}}, {1050, 200, 2, 1, {100, 100}}}, {}, 0);
    ResponsePkgEntity_12989 entity;
    QString code;
    QVERIFY(FastQuoteDecoder::Decode(body, entity, code));
    QCOMPARE(entity.gears.buy_levels.value(Key(1050)).Get("vol"), Big(200));
    QCOMPARE(entity.gears.buy_queues.value(Key(1050)).Get("will_volume_list").ToString(),
             QString("100,100"));
    // Both stay in the rows vector, in book order, before the 8 fillers.
    QCOMPARE(int(entity.wills.buy_rows.size()), 10);
    QCOMPARE(entity.wills.buy_rows[0].Get("vol"), Big(100));
    QCOMPARE(entity.wills.buy_rows[1].Get("vol"), Big(200));
}

void TestFastQuoteDecoder::encoderWritesTheWireTable() {
    simwire::FastQuoteBook book;
    book.code = "SZ300750";
    book.buy = {{2000, 500, 2, 1, {200, 300}}, {1999, 0, 0, 0, {}}};
    book.sell = {{2001, -7, 1, 0, {-7}}};
    book.fast_ten_flag = -3;
    QByteArray expected =
        handlaid::Body("SZ300750", {{2000, 500, 2, 1, {200, 300}}, {1999, 0, 0, 0, {}}},
                       {{2001, -7, 1, 0, {-7}}}, -3);
    // The encoder writes zeros where the client reads nothing.
    expected.replace(0, 8, QByteArray(8, '\0'));
    expected.replace(2 + 8 + 8, 6, QByteArray(6, '\0'));
    QCOMPARE(simwire::EncodeFastQuoteBody(book).toHex(), expected.toHex());
}

void TestFastQuoteDecoder::badBodiesAreRejectedWhole_data() {
    QTest::addColumn<QByteArray>("body");
    const QByteArray good = handlaid::Body("SH600000", {{1050, 300, 2, 0, {100, 200}}},
                                           handlaid::Levels(2, 1051, 1), 1);

    QByteArray lyingBuyCount = handlaid::Header("SH600000", 5, 0);
    handlaid::AppendLevel(lyingBuyCount, {1050, 300, 1, 0, {300}});
    handlaid::U8(lyingBuyCount, 1);

    QByteArray lyingQueue = handlaid::Header("SH600000", 1, 0);
    handlaid::AppendLevel(lyingQueue, {1050, 300, 2, 0, {100, 200}});
    lyingQueue[lyingQueue.size() - 10] = char(0x60);  // K = 0xEA60 = 60000, two volumes follow
    lyingQueue[lyingQueue.size() - 9] = char(0xEA);
    handlaid::U8(lyingQueue, 1);

    QByteArray lyingString = good;
    lyingString[8] = char(0xFF);  // code length 255

    QTest::newRow("empty") << QByteArray();
    QTest::newRow("inside the header") << good.left(7);
    QTest::newRow("inside the code") << good.left(12);
    QTest::newRow("code length beyond the body") << lyingString;
    QTest::newRow("before the counts") << good.left(24);
    QTest::newRow("inside a level record") << good.left(40);
    QTest::newRow("inside the queued volumes") << good.left(46);
    QTest::newRow("without the fast-ten flag") << good.left(good.size() - 1);
    QTest::newRow("buy count beyond the levels") << lyingBuyCount;
    QTest::newRow("queued count beyond the volumes") << lyingQueue;
    QTest::newRow("counts of 65535 levels") << handlaid::Header("SH600000", 0xFFFF, 0xFFFF);
}

void TestFastQuoteDecoder::badBodiesAreRejectedWhole() {
    QFETCH(QByteArray, body);
    ResponsePkgEntity_12989 entity;
    entity.fast_ten_flag = 7;
    entity.wills.buy_rows.push_back(DataRow());
    entity.gears.sell_levels.insert(Key(1), DataRow());
    QString code = "untouched";

    ExpectRejection();
    QVERIFY(!FastQuoteDecoder::Decode(body, entity, code));
    QCOMPARE(int(entity.fast_ten_flag), 7);
    QCOMPARE(int(entity.wills.buy_rows.size()), 1);
    QCOMPARE(entity.gears.sell_levels.size(), 1);
    QVERIFY(entity.gears.buy_levels.isEmpty());
    QCOMPARE(code, QString("untouched"));
}

void TestFastQuoteDecoder::fuzzSeedsAreValidBodies() {
    const QDir corpus(QZ_FASTQUOTE_CORPUS);
    const QStringList seeds = corpus.entryList({"*.bin"}, QDir::Files);
    QVERIFY(seeds.size() >= 3);
    for (const QString& name : seeds) {
        QFile file(corpus.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        ResponsePkgEntity_12989 entity;
        QString code;
        QVERIFY2(FastQuoteDecoder::Decode(file.readAll(), entity, code), qPrintable(name));
        QVERIFY(!code.isEmpty());
        QVERIFY(entity.wills.buy_rows.size() >= 10);
    }
}

QTEST_GUILESS_MAIN(TestFastQuoteDecoder)
#include "tst_fastquotedecoder.moc"
