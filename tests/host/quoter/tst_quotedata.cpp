#include <QtTest>

#include <memory>

#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/KlineSegment.h"
#include "host/quoter/ResponsePkgEntity_12989.h"

using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

DataRow Row(const QString& column, qint64 value) {
    DataRow row;
    row.Set(column, UnsharedDataCell::FromBigInteger(value));
    return row;
}

}  // namespace

class TstQuoteData : public QObject {
    Q_OBJECT
private slots:
    void baseHeaderIsCopied();
    void dealsCloneIsDeep();
    void baseCloneDeepCopiesSources();
    void entity12989CloneIsDeepAndTyped();
    void cloneThroughBasePointerKeepsType();
    void klineCellsFollowHeaderIndex();
    void klineCloneOwnsItsHeader();
};

void TstQuoteData::baseHeaderIsCopied() {
    QuoteData data;
    data.name = "supl";
    data.type = 3;
    data.row = Row("a", 1);
    data.start_index = 4;
    data.total_count = 9;
    std::unique_ptr<QuoteData> copy(data.Clone());
    copy->row.Set("a", UnsharedDataCell::FromBigInteger(2));
    copy->name = "other";
    QCOMPARE(copy->type, 3);
    QCOMPARE(copy->start_index, 4);
    QCOMPARE(copy->total_count, 9);
    QCOMPARE(data.row.Get("a").ToInt64(), qint64(1));
    QCOMPARE(data.name, QStringLiteral("supl"));
}

void TstQuoteData::dealsCloneIsDeep() {
    DealsQuoteData deals;
    deals.rows << Row("price", 1050) << Row("price", 1060);
    std::unique_ptr<DealsQuoteData> copy(deals.Clone());
    copy->rows[0].Set("price", UnsharedDataCell::FromBigInteger(1));
    copy->rows.removeLast();
    QCOMPARE(deals.rows.size(), 2);
    QCOMPARE(deals.rows.at(0).Get("price").ToInt64(), qint64(1050));
    QCOMPARE(copy->rows.size(), 1);
}

void TstQuoteData::baseCloneDeepCopiesSources() {
    BaseQuoteData base;
    base.base_row = Row("market_list", 1);
    base.rows << Row("order", 7);
    auto source = QSharedPointer<DealsQuoteData>::create();
    source->rows << Row("x", 1);
    base.sources.insert("10016", source);
    base.sources.insert("10015", QSharedPointer<QuoteData>());  // a null source stays null

    std::unique_ptr<BaseQuoteData> copy(base.Clone());
    QVERIFY(copy->sources.value("10016") != base.sources.value("10016"));
    auto copiedSource = copy->sources.value("10016").dynamicCast<DealsQuoteData>();
    QVERIFY(copiedSource);  // the clone keeps the source's type
    copiedSource->rows[0].Set("x", UnsharedDataCell::FromBigInteger(99));
    copy->base_row.Set("market_list", UnsharedDataCell(QStringLiteral("SH")));
    copy->rows.clear();
    QVERIFY(copy->sources.value("10015").isNull());

    QCOMPARE(source->rows.at(0).Get("x").ToInt64(), qint64(1));
    QCOMPARE(base.base_row.Get("market_list").ToInt64(), qint64(1));
    QCOMPARE(base.rows.size(), 1);
}

void TstQuoteData::entity12989CloneIsDeepAndTyped() {
    ResponsePkgEntity_12989 entity;
    entity.fast_ten_flag = 1;
    entity.wills.summary = Row("prev_price_base", 1000);
    entity.wills.buy_rows.push_back(Row("price", 1050));
    entity.wills.sell_rows.push_back(Row("price", 1060));
    entity.gears.buy_levels.insert(UnsharedDataCell::FromInteger(1050), Row("vol", 300));
    entity.gears.sell_queues.insert(UnsharedDataCell::FromInteger(1060),
                                    Row("total_will_count", 2));
    entity.gears.reserved_rows_1.push_back(Row("r", 1));

    std::unique_ptr<ResponsePkgEntity_12989> copy(entity.Clone());
    QCOMPARE(copy->fast_ten_flag, qint8(1));
    copy->fast_ten_flag = -1;
    copy->wills.buy_rows[0].Set("price", UnsharedDataCell::FromPrice(1050, 2));
    copy->wills.sell_rows.clear();
    copy->gears.buy_levels[UnsharedDataCell::FromInteger(1050)].Set(
        "vol", UnsharedDataCell::FromBigInteger(0));
    copy->gears.sell_queues.clear();
    copy->gears.reserved_rows_1.clear();

    QCOMPARE(entity.fast_ten_flag, qint8(1));
    QCOMPARE(entity.wills.buy_rows.at(0).Get("price").kind(), UnsharedDataCell::Kind::BigInteger);
    QCOMPARE(int(entity.wills.sell_rows.size()), 1);
    QCOMPARE(
        entity.gears.buy_levels.value(UnsharedDataCell::FromInteger(1050)).Get("vol").ToInt64(),
        qint64(300));
    QCOMPARE(entity.gears.sell_queues.size(), 1);
    QCOMPARE(int(entity.gears.reserved_rows_1.size()), 1);

    std::unique_ptr<WillsQuoteData> wills(entity.wills.Clone());
    QCOMPARE(wills->summary.Get("prev_price_base").ToInt64(), qint64(1000));
    std::unique_ptr<ThousandGearsQuoteData> gears(entity.gears.Clone());
    QCOMPARE(gears->buy_levels.size(), 1);
}

void TstQuoteData::cloneThroughBasePointerKeepsType() {
    const QList<QSharedPointer<QuoteData>> all{
        QSharedPointer<QuoteData>(new DealsQuoteData),
        QSharedPointer<QuoteData>(new BaseQuoteData),
        QSharedPointer<QuoteData>(new KlineSegment("supl")),
        QSharedPointer<QuoteData>(new WillsQuoteData),
        QSharedPointer<QuoteData>(new ThousandGearsQuoteData),
        QSharedPointer<QuoteData>(new ResponsePkgEntity_12989)};
    for (const auto& data : all) {
        std::unique_ptr<QuoteData> copy(data->Clone());
        QCOMPARE(typeid(*copy).name(), typeid(*data).name());
    }
}

void TstQuoteData::klineCellsFollowHeaderIndex() {
    KlineSegment segment("supl");
    QCOMPARE(segment.segment_name, QStringLiteral("supl"));
    QVERIFY(segment.header);
    const int r0 = segment.AppendRow();
    const int r1 = segment.AppendRow();
    QVERIFY(segment.SetCell(r0, 0, UnsharedDataCell(QStringLiteral("20240102"))));
    QVERIFY(segment.SetCell(r0, 34, UnsharedDataCell::FromBigInteger(5)));
    QVERIFY(segment.SetCell(r1, 57, UnsharedDataCell::FromBigInteger(7)));
    QVERIFY(!segment.SetCell(5, 34, UnsharedDataCell::FromBigInteger(1)));
    QCOMPARE(segment.header->GetCapacity(), 3);
    QCOMPARE(segment.header->IndexOf(57), 2);  // columns indexed in order of first use
    QCOMPARE(segment.rows.at(r0).at(segment.header->IndexOf(34)).ToInt64(), qint64(5));
    QCOMPARE(segment.Cell(r1, 57).ToInt64(), qint64(7));
    QVERIFY(segment.Cell(r1, 34).IsEmpty());  // row 1 has no value there
    QVERIFY(segment.Cell(r0, 99).IsEmpty());  // unknown column
    QVERIFY(segment.Cell(-1, 34).IsEmpty());
    QCOMPARE(segment.RowCount(), 2);
}

void TstQuoteData::klineCloneOwnsItsHeader() {
    KlineSegment segment("supl");
    segment.SetCell(segment.AppendRow(), 34, UnsharedDataCell::FromBigInteger(5));
    std::unique_ptr<KlineSegment> copy(segment.Clone());
    QVERIFY(copy->header != segment.header);
    copy->SetCell(0, 42, UnsharedDataCell::FromBigInteger(8));  // adds a column to the copy only
    copy->rows[0][0] = UnsharedDataCell::FromBigInteger(6);
    QCOMPARE(segment.header->GetCapacity(), 1);
    QCOMPARE(copy->header->GetCapacity(), 2);
    QCOMPARE(segment.Cell(0, 34).ToInt64(), qint64(5));
    QCOMPARE(copy->Cell(0, 34).ToInt64(), qint64(6));
    KlineSegment assigned;
    assigned = segment;
    QVERIFY(assigned.header != segment.header);
    QCOMPARE(assigned.Cell(0, 34).ToInt64(), qint64(5));
}

QTEST_GUILESS_MAIN(TstQuoteData)
#include "tst_quotedata.moc"
