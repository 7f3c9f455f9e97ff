// The watch screen built from hand-made quote data: level order, fillers, queues with big orders,
// completeness, and the queue clipped to the terminal width.
#include <QtTest>

#include "tools/qzlv2/QuoteScreen.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;
using qzlv2::ScreenModel;

namespace {

// A level of the book as the joins leave it: price converted with precision 2, queue in lots.
void AddLevel(ResponsePkgEntity_12989& book, bool buy, qint32 price, qint64 shares, int orders,
              const QString& lots, const QString& big) {
    DataRow level;
    level.Set("type", UnsharedDataCell(buy ? "buy" : "sell"));
    level.Set("price", UnsharedDataCell::FromPrice(price, 2));
    level.Set("vol", UnsharedDataCell::FromBigInteger(shares));
    level.Set("isbig", UnsharedDataCell::FromBigInteger(big.isEmpty() ? 0 : 1));
    DataRow queue;
    queue.Set("will_price", UnsharedDataCell::FromPrice(price, 2));
    queue.Set("total_will_count", UnsharedDataCell::FromBigInteger(orders));
    queue.Set("will_volume_list", UnsharedDataCell(lots));
    queue.Set("big_volumeindex_list", UnsharedDataCell(big));
    (buy ? book.wills.buy_rows : book.wills.sell_rows).push_back(level);
    (buy ? book.gears.buy_queues : book.gears.sell_queues)
        .insert(UnsharedDataCell::FromInteger(price), queue);
}

void AddFiller(ResponsePkgEntity_12989& book, bool buy) {
    DataRow level;
    level.Set("price", UnsharedDataCell::FromPrice(0, 2));
    level.Set("vol", UnsharedDataCell::FromBigInteger(0));
    (buy ? book.wills.buy_rows : book.wills.sell_rows).push_back(level);
}

ResponsePkgEntity_12989 MakeBook() {
    ResponsePkgEntity_12989 book;
    book.fast_ten_flag = 1;
    book.wills.summary.Set("prev_price_base", UnsharedDataCell::FromPrice(1052, 2));
    AddLevel(book, true, 1050, 58000, 2, "300,280", "0");
    AddLevel(book, true, 1049, 100, 1, "1", "");
    AddLevel(book, false, 1051, 60000, 3, "600,1,2", "0");
    for (int i = 0; i < 8; ++i) {
        AddFiller(book, true);
    }
    for (int i = 0; i < 9; ++i) {
        AddFiller(book, false);
    }
    return book;
}

}  // namespace

class TestQuoteScreen : public QObject {
    Q_OBJECT

private slots:
    void bookReadsTopDownWithFillers();
    void completeOnlyWithConvertedBookAndFields_data();
    void completeOnlyWithConvertedBookAndFields();
    void rendersLevelsWithBigOrdersMarked();
    void clipsLongQueuesToTheWidth();
};

void TestQuoteScreen::bookReadsTopDownWithFillers() {
    const ResponsePkgEntity_12989 book = MakeBook();
    ScreenModel m;
    qzlv2::FillBook(m, &book);
    QVERIFY(m.has_book && m.converted);
    QCOMPARE(m.prev_close, QString("10.52"));
    QCOMPARE(m.fast_ten, 1);
    QCOMPARE(m.sells.size(), 10);
    QCOMPARE(m.buys.size(), 10);
    QCOMPARE(m.sells.first().label, QString("sell 10"));
    QVERIFY(m.sells.first().filler);
    QCOMPARE(m.sells.last().label, QString("sell 1"));
    QCOMPARE(m.sells.last().price, QString("10.51"));
    QCOMPARE(m.sells.last().lots, 600);
    QCOMPARE(m.sells.last().queue, (QList<qint64>{600, 1, 2}));
    QCOMPARE(m.buys[0].label, QString("buy 1"));
    QCOMPARE(m.buys[0].orders, 2);
    QCOMPARE(m.buys[0].big, QSet<int>{0});
    QCOMPARE(m.buys[1].price, QString("10.49"));
    QVERIFY(m.buys[1].big.isEmpty());
    QVERIFY(m.buys[2].filler);
}

void TestQuoteScreen::completeOnlyWithConvertedBookAndFields_data() {
    QTest::addColumn<bool>("withBook");
    QTest::addColumn<bool>("rawPrices");
    QTest::addColumn<bool>("withFields");
    QTest::addColumn<bool>("complete");
    QTest::newRow("everything") << true << false << true << true;
    QTest::newRow("no book") << false << false << true << false;
    QTest::newRow("raw prices") << true << true << true << false;
    QTest::newRow("field missing") << true << false << false << false;
}

void TestQuoteScreen::completeOnlyWithConvertedBookAndFields() {
    QFETCH(bool, withBook);
    QFETCH(bool, rawPrices);
    QFETCH(bool, withFields);
    QFETCH(bool, complete);
    ResponsePkgEntity_12989 book = MakeBook();
    if (rawPrices) {
        book.wills.buy_rows[0].Set("price", UnsharedDataCell::FromBigInteger(1050));
    }
    DataRow row;
    row.Set("money_flow_today", UnsharedDataCell::FromBigInteger(-7700000));
    if (withFields) {
        row.Set("big_order_ratio", UnsharedDataCell::FromRealPrice(0.25, 2));
    }
    ScreenModel m;
    qzlv2::FillBook(m, withBook ? &book : nullptr);
    // The optional key is missing and does not count.
    qzlv2::FillFields(m, row, {"money_flow_today", "big_order_ratio"},
                      {"gem_deal_volume_after_close"});
    QCOMPARE(m.IsComplete(), complete);
    QCOMPARE(m.missing_fields.isEmpty(), withFields);
}

void TestQuoteScreen::rendersLevelsWithBigOrdersMarked() {
    const ResponsePkgEntity_12989 book = MakeBook();
    ScreenModel m;
    m.code = "SH600000";
    qzlv2::FillBook(m, &book);
    DataRow row;
    row.Set("money_flow_today", UnsharedDataCell::FromBigInteger(-7700000));
    row.Set("board_category_code", UnsharedDataCell(QString("zxb00")));
    qzlv2::FillFields(m, row, {"money_flow_today"}, {});
    const QStringList lines = qzlv2::RenderScreen(m, 0).split('\n');
    QVERIFY(lines.contains("sell 1       10.51       600       3  *600* 1 2"));
    QVERIFY(lines.contains("buy 1        10.50       580       2  *300* 280"));
    QVERIFY(lines.contains("sell 10         --"));
    QVERIFY(lines.indexOf(QRegularExpression("^sell 10 .*")) <
            lines.indexOf(QRegularExpression("^buy 1 .*")));
    QVERIFY(lines.contains("  money_flow_today               -7700000"));
    QVERIFY(lines.contains("  board_category_code            zxb00"));
}

void TestQuoteScreen::clipsLongQueuesToTheWidth() {
    ResponsePkgEntity_12989 book = MakeBook();
    QStringList lots;
    for (int i = 0; i < 50; ++i) {
        lots << QString::number(100 + i);
    }
    book.gears.buy_queues[UnsharedDataCell::FromInteger(1050)].Set(
        "will_volume_list", UnsharedDataCell(lots.join(',')));
    ScreenModel m;
    qzlv2::FillBook(m, &book);
    const QStringList lines = qzlv2::RenderScreen(m, 80).split('\n');
    const int buy1 = lines.indexOf(QRegularExpression("^buy 1 .*"));
    QVERIFY(buy1 >= 0);
    QVERIFY2(lines[buy1].size() <= 80, qPrintable(lines[buy1]));
    QVERIFY(lines[buy1].contains(QRegularExpression(" \\+\\d+$")));  // how many are not shown
    QVERIFY(lines[buy1].contains("*100*"));
}

QTEST_GUILESS_MAIN(TestQuoteScreen)
#include "tst_quotescreen.moc"
