// The fast-quote conversion once the price precision is known: prices to price cells, queued
// volumes to lots, and which queued orders are big.
#include <QtTest>

#include "host/quoter/ResponsePkgEntity_12989.h"
#include "services/fastquote/FastQuoteConversion.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/fastquote/FastQuoteRows.h"
#include "tests/services/fastquote/HandLaid12989.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

UnsharedDataCell Key(qint64 v) {
    return UnsharedDataCell::FromInteger(v);
}

DataRow QueueRow(qint64 rawPrice, const QString& volumes) {
    return fastquote::MakeQueueRow("buy", rawPrice, 1, volumes);
}

}  // namespace

class TestFastQuoteConversion : public QObject {
    Q_OBJECT

private slots:
    void bigOrdersByLotsAndAmount_data();
    void bigOrdersByLotsAndAmount();
    void queueRowBecomesLotsWithBigIndexes_data();
    void queueRowBecomesLotsWithBigIndexes();
    void levelRowPriceBecomesPriceCell();
    void wholeBookIsConverted();
};

void TestFastQuoteConversion::bigOrdersByLotsAndAmount_data() {
    // Raw price 1050 with precision 2 (10.50): the amount is lots x 1050.
    QTest::addColumn<qint64>("rawPrice");
    QTest::addColumn<qint64>("shares");
    QTest::addColumn<bool>("big");
    QTest::newRow("300 lots, 315,000: big") << qint64(1050) << qint64(30000) << true;
    QTest::newRow("280 lots, 294,000: not big") << qint64(1050) << qint64(28000) << false;
    QTest::newRow("600 lots: big") << qint64(1050) << qint64(60000) << true;
    QTest::newRow("599 lots at price 1: not big") << qint64(1) << qint64(59999) << false;
    QTest::newRow("600 lots at price 1: big") << qint64(1) << qint64(60000) << true;
    QTest::newRow("2000 lots at price 1: big") << qint64(1) << qint64(200000) << true;
    QTest::newRow("amount exactly 300,000: not big") << qint64(1000) << qint64(30000) << false;
    QTest::newRow("amount 300,001: big") << qint64(300001) << qint64(100) << true;
    QTest::newRow("amount 999,999: big") << qint64(999999) << qint64(100) << true;
    QTest::newRow("amount exactly 1,000,000: big") << qint64(1000000) << qint64(100) << true;
    QTest::newRow("amount far above: big") << qint64(5000000) << qint64(100) << true;
    QTest::newRow("shares below a lot: 0 lots") << qint64(1000000) << qint64(99) << false;
    QTest::newRow("negative volume") << qint64(1050) << qint64(-60000) << false;
}

void TestFastQuoteConversion::bigOrdersByLotsAndAmount() {
    QFETCH(qint64, rawPrice);
    QFETCH(qint64, shares);
    QFETCH(bool, big);
    DataRow row = QueueRow(rawPrice, QString::number(shares));
    FastQuoteConversion::ConvertQueueRow(row, 2);
    QCOMPARE(row.Get("will_volume_list").ToString(), QString::number(shares / 100));
    QCOMPARE(row.Get("big_volumeindex_list").ToString(), big ? QString("0") : QString(""));
}

void TestFastQuoteConversion::queueRowBecomesLotsWithBigIndexes_data() {
    QTest::addColumn<QString>("shares");
    QTest::addColumn<QString>("lots");
    QTest::addColumn<QString>("bigIndexes");
    QTest::newRow("no queued order") << ""
                                     << "0"
                                     << "";
    QTest::newRow("mixed") << "28000,30000,150,60000"
                           << "280,300,1,600"
                           << "1,3";
    QTest::newRow("only empty parts") << ",,,," << "0,0,0,0,0" << "";
    QTest::newRow("empty parts kept") << "30000,,30000"
                                      << "300,0,300"
                                      << "0,2";
    QTest::newRow("not a number") << "abc,30000"
                                  << "0,300"
                                  << "1";
    QTest::newRow("signs; too long or mixed is no number") << "+30000,-,12a,1234567890123456789"
                                                           << "300,0,0,0"
                                                           << "0";
    QTest::newRow("truncated toward zero") << "199,-199"
                                           << "1,-1"
                                           << "";
}

void TestFastQuoteConversion::queueRowBecomesLotsWithBigIndexes() {
    QFETCH(QString, shares);
    QFETCH(QString, lots);
    QFETCH(QString, bigIndexes);
    DataRow row = QueueRow(1050, shares);
    FastQuoteConversion::ConvertQueueRow(row, 2);
    QCOMPARE(row.Get("will_volume_list").ToString(), lots);
    QCOMPARE(row.Get("big_volumeindex_list").ToString(), bigIndexes);
    QCOMPARE(row.Get("will_price"), UnsharedDataCell::FromPrice(1050, 2));
    QCOMPARE(row.Get("will_price").DisplayText(), QString("10.50"));
    QCOMPARE(row.Get("volume_unit"),
             UnsharedDataCell::FromMagnitudeUnit(100, QString::fromUtf8("手")));
    QCOMPARE(row.Get("total_will_count"), UnsharedDataCell::FromBigInteger(1));
}

void TestFastQuoteConversion::levelRowPriceBecomesPriceCell() {
    DataRow row = fastquote::MakeLevelRow("sell", 123456, 700, 1);
    FastQuoteConversion::ConvertLevelRow(row, 3);
    QCOMPARE(row.Get("price"), UnsharedDataCell::FromPrice(123456, 3));
    QCOMPARE(row.Get("price").DisplayText(), QString("123.456"));
    QCOMPARE(row.Get("vol"), UnsharedDataCell::FromBigInteger(700));  // volumes stay shares

    // A raw price beyond 32 bits is truncated to int32 as the cell is made.
    DataRow wide = fastquote::MakeLevelRow("sell", 0x100000005LL, 0, 0);
    FastQuoteConversion::ConvertLevelRow(wide, 2);
    QCOMPARE(wide.Get("price"), UnsharedDataCell::FromPrice(5, 2));
}

void TestFastQuoteConversion::wholeBookIsConverted() {
    const QByteArray body =
        handlaid::Body("SH600000", {{1050, 88000, 2, 1, {28000, 60000}}, {1049, 0, 0, 0, {}}},
                       {{1051, 30000, 1, 0, {30000}}}, 0);
    ResponsePkgEntity_12989 entity;
    QString code;
    QVERIFY(FastQuoteDecoder::Decode(body, entity, code));
    const ResponsePkgEntity_12989 raw = entity;
    FastQuoteConversion::ConvertBook(entity.wills, entity.gears, 2);

    QCOMPARE(entity.wills.buy_rows[0].Get("price"), UnsharedDataCell::FromPrice(1050, 2));
    QCOMPARE(entity.wills.buy_rows[1].Get("price"), UnsharedDataCell::FromPrice(1049, 2));
    QCOMPARE(entity.wills.sell_rows[0].Get("price"), UnsharedDataCell::FromPrice(1051, 2));
    for (std::size_t i = 2; i < entity.wills.buy_rows.size(); ++i) {
        QCOMPARE(entity.wills.buy_rows[i].Get("price"), UnsharedDataCell::FromPrice(0, 2));
    }
    // The maps hold the same converted rows as the vectors; map keys stay raw.
    QCOMPARE(entity.gears.buy_levels.value(Key(1050)), entity.wills.buy_rows[0]);
    QCOMPARE(entity.gears.sell_levels.value(Key(1051)), entity.wills.sell_rows[0]);
    QCOMPARE(entity.gears.sell_levels.value(Key(8)), entity.wills.sell_rows[9]);

    const DataRow buyQueue = entity.gears.buy_queues.value(Key(1050));
    QCOMPARE(buyQueue.Get("will_volume_list").ToString(), QString("280,600"));
    QCOMPARE(buyQueue.Get("big_volumeindex_list").ToString(), QString("1"));
    QCOMPARE(entity.gears.buy_queues.value(Key(1049)).Get("will_volume_list").ToString(),
             QString("0"));
    QCOMPARE(entity.gears.sell_queues.value(Key(1051)).Get("big_volumeindex_list").ToString(),
             QString("0"));
    // Every filler queue row is converted: "" becomes "0", no big index.
    for (int j = 0; j < 9; ++j) {
        const DataRow filler = entity.gears.sell_queues.value(Key(j));
        QCOMPARE(filler.Get("will_volume_list").ToString(), QString("0"));
        QCOMPARE(filler.Get("big_volumeindex_list").ToString(), QString(""));
        QCOMPARE(filler.Get("will_price"), UnsharedDataCell::FromPrice(0, 2));
    }
    // The copy taken before conversion still holds the raw book.
    QCOMPARE(raw.wills.buy_rows[0].Get("price"), UnsharedDataCell::FromBigInteger(1050));
    QCOMPARE(raw.gears.buy_queues.value(Key(1050)).Get("will_volume_list").ToString(),
             QString("28000,60000"));
}

QTEST_GUILESS_MAIN(TestFastQuoteConversion)
#include "tst_fastquoteconversion.moc"
