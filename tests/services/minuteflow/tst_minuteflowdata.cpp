// The minute-flow bodies laid by hand from their tables (each group mask, both widths, the packed
// words), malformed bodies named after their defect, the batch merge with its marks, the series
// after a batch and its follow-up requests, the K-line resolver, both joins and the 12988 rows.
#include <QtTest>

#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/KlineSegment.h"
#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "services/minuteflow/FlowCycles.h"
#include "services/minuteflow/FlowDecoder.h"
#include "services/minuteflow/FlowFields.h"
#include "services/minuteflow/FlowJoins.h"
#include "services/minuteflow/FlowSeries.h"
#include "services/minuteflow/MinuteIndicatorRows.h"
#include "services/minuteflow/QzLv2IndicatorResolver.h"
#include "services/minuteflow/ResponsePkgEntity_12842.h"
#include "services/minuteflow/ResponsePkgEntity_12844.h"
#include "tests/services/HandLaid.h"

using namespace minuteflow;

namespace {

enum Width { I32, Packed };
struct Group {
    quint8 bit;
    Width width;
    const char* fields[4];
};

// The group tables of the two bodies, written from the layout tables.
const Group kMinuteGroups[] = {
    {0x01, I32, {"superin", "bigin", "superout", "bigout"}},
    {0x02, Packed, {"superinvol", "biginvol", "superoutvol", "bigoutvol"}},
    {0x04, Packed, {"superincap", "bigincap", "superoutcap", "bigoutcap"}},
    {0x08, I32, {"midin", "smallin", "midout", "smallout"}},
    {0x10, Packed, {"midinvol", "smallinvol", "midoutvol", "smalloutvol"}},
    {0x20, Packed, {"midincap", "smallincap", "midoutcap", "smalloutcap"}},
};
const Group kKlineGroups[] = {
    {0x01, I32, {"superin", "bigin", "superout", "bigout"}},
    {0x02, Packed, {"superinvol", "biginvol", "superoutvol", "bigoutvol"}},
    {0x04, I32, {"superincap", "bigincap", "superoutcap", "bigoutcap"}},
    {0x08, I32, {"midincap", "smallincap", "midoutcap", "smalloutcap"}},
    {0x10, Packed, {"midin", "smallin", "midout", "smallout"}},
    {0x20, Packed, {"midinvol", "smallinvol", "midoutvol", "smalloutvol"}},
};

// Lays one record's groups (value = record * 1000 + bit * 10 + field; an i32 field of record 1
// negative; packed fields with exponent (record + field) % 4, so each exponent shows in every
// group) and notes the values expected.
void LayRecord(HandLaid& b, const Group* groups, int record, qint32 time, quint8 mask,
               QMap<QString, qint64>& expected) {
    b.i32(time);
    for (int g = 0; g < 6; ++g) {
        if (!(mask & groups[g].bit))
            continue;
        for (int f = 0; f < 4; ++f) {
            const qint32 v = record * 1000 + groups[g].bit * 10 + f;
            if (groups[g].width == I32) {
                b.i32(record == 1 ? -v : v);
                expected[groups[g].fields[f]] = record == 1 ? -v : v;
            } else {
                const int exponent = (record + f) % 4;
                b.packed(quint32(exponent), quint32(v));
                expected[groups[g].fields[f]] = qint64(v) << (4 * exponent);
            }
        }
    }
    expected["net_capital_flow"] = ((expected.value("superincap") + expected.value("bigincap")) -
                                    (expected.value("superoutcap") + expected.value("bigoutcap"))) *
                                   10000;
}

// The columns of a 12842 row after "time", in the order of its table.
const char* const kMinuteColumns[] = {
    "superin",     "bigin",       "superout",   "bigout",     "superinvol",
    "biginvol",    "superoutvol", "bigoutvol",  "superincap", "bigincap",
    "superoutcap", "bigoutcap",   "midincap",   "smallincap", "midoutcap",
    "smalloutcap", "midinvol",    "smallinvol", "midoutvol",  "smalloutvol",
    "midin",       "smallin",     "midout",     "smallout",   "net_capital_flow"};

// The K-line grid's field ids of the 12844 join's table.
const QPair<int, const char*> kKlineIds[] = {
    {34, "superin"},         {35, "bigin"},     {36, "midin"},     {37, "smallin"},
    {38, "superout"},        {39, "bigout"},    {40, "midout"},    {41, "smallout"},
    {42, "superinvol"},      {43, "biginvol"},  {44, "midinvol"},  {45, "smallinvol"},
    {46, "superoutvol"},     {47, "bigoutvol"}, {48, "midoutvol"}, {49, "smalloutvol"},
    {50, "superincap"},      {51, "bigincap"},  {52, "midincap"},  {53, "smallincap"},
    {54, "superoutcap"},     {55, "bigoutcap"}, {56, "midoutcap"}, {57, "smalloutcap"},
    {58, "net_capital_flow"}};

// One hand-laid record of every group (record 1 of LayRecord: negative counts, every exponent).
FlowRecords DecodedRecord(bool kline, QMap<QString, qint64>& expected) {
    HandLaid b = kline ? flowbody::KlineHead("SH600000", 0x3F, 1)
                       : flowbody::MinuteHead("SH600000", 0x3F, 1);
    LayRecord(b, kline ? kKlineGroups : kMinuteGroups, 1, kline ? 20240105 : 931, 0x3F, expected);
    FlowBatch batch;
    if (!(kline ? DecodeKlineFlowBody(b.bytes(), batch) : DecodeMinuteFlowBody(b.bytes(), batch)))
        return {};
    return batch.records;
}

// A series of `count` records timed 1, 2, ... (marks at neither end).
FlowSeries SeriesOfTimes(int count) {
    auto records = QSharedPointer<FlowRecords>::create(size_t(count));
    for (int i = 0; i < count; ++i)
        (*records)[size_t(i)].time = i + 1;
    FlowSeries series;
    series.records = records;
    return series;
}

// "930 931/1 933n/2": times, "/marks", and "n" for a record of the batch (superin 1).
FlowRecords Records(const QString& text) {
    FlowRecords records;
    for (const QString& item : text.split(' ', Qt::SkipEmptyParts)) {
        FlowRecord r;
        const QStringList parts = item.split('/');
        QString time = parts[0];
        if (time.endsWith('n')) {
            r.superin = 1;
            time.chop(1);
        }
        r.time = time.toInt();
        r.marks = parts.size() > 1 ? parts[1].toUInt() : 0;
        records.push_back(r);
    }
    return records;
}

QString Text(const FlowRecords& records) {
    QStringList items;
    for (const FlowRecord& r : records) {
        QString item = QString::number(r.time) + (r.superin == 1 ? "n" : "");
        if (r.marks != 0)
            item += "/" + QString::number(r.marks);
        items << item;
    }
    return items.join(' ');
}

FlowSeries SeriesOf(const QString& text, bool complete) {
    FlowSeries series;
    series.complete = complete;
    series.records = QSharedPointer<const FlowRecords>(new FlowRecords(Records(text)));
    return series;
}

}  // namespace

class TestMinuteFlowData : public QObject {
    Q_OBJECT

private slots:
    void bodiesDecodeEveryGroupAtItsWidth_data() {
        QTest::addColumn<bool>("kline");
        QTest::addColumn<int>("mask");
        for (bool kline : {false, true}) {
            for (int mask : {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x3F, 0x15, 0xFF}) {
                const QByteArray name = QByteArray(kline ? "12844" : "12842") + " mask 0x" +
                                        QByteArray::number(mask, 16);
                QTest::newRow(name.constData()) << kline << mask;
            }
        }
    }

    void bodiesDecodeEveryGroupAtItsWidth() {
        QFETCH(bool, kline);
        QFETCH(int, mask);
        const Group* groups = kline ? kKlineGroups : kMinuteGroups;
        const qint32 times[2] = {kline ? 20240105 : 931, kline ? 20240112 : 932};
        HandLaid b = kline ? flowbody::KlineHead("SH600000", quint8(mask), 2)
                           : flowbody::MinuteHead("SH600000", quint8(mask), 2);
        QMap<QString, qint64> expected[2];
        for (int i = 0; i < 2; ++i)
            LayRecord(b, groups, i, times[i], quint8(mask), expected[i]);

        FlowBatch batch;
        QVERIFY(kline ? DecodeKlineFlowBody(b.bytes(), batch)
                      : DecodeMinuteFlowBody(b.bytes(), batch));
        QCOMPARE(int(batch.count), 2);
        QCOMPARE(int(batch.records.size()), 2);
        for (int i = 0; i < 2; ++i) {
            const FlowRecord& r = batch.records[size_t(i)];
            QCOMPARE(r.time, times[i]);
            QCOMPARE(r.marks, 0u);
            for (const FlowField& f : kFlowFields)
                QCOMPARE(qMakePair(QString(f.name), f.get(r)),
                         qMakePair(QString(f.name), expected[i].value(f.name, 0)));
        }
    }

    void malformedBodyIsRejectedWhole_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("body");
        HandLaid one = flowbody::MinuteHead("SH600000", 0x01, 2);
        one.i32(930).i32(1).i32(2).i32(3).i32(4);
        QTest::newRow("12842 count claims a record more than sent") << 12842 << one.bytes();
        QTest::newRow("12842 cut inside the last record")
            << 12842 << one.bytes().left(one.bytes().size() - 3);
        QTest::newRow("12842 count 65535 over an empty tail")
            << 12842 << flowbody::MinuteHead("SH600000", 0x3F, 0xFFFF).bytes();
        HandLaid k = flowbody::KlineHead("SH600000", 0x3F, 3);
        k.i32(20240105);
        QTest::newRow("12844 count lies after one time") << 12844 << k.bytes();
        QTest::newRow("12844 string length beyond the body")
            << 12844 << HandLaid().u32(0).u32(0).u16(500).bytes();
        HandLaid i = flowbody::IndicatorHead("SH600000", 2);
        i.i32(1).i32(2).i32(3).i32(4);
        QTest::newRow("12988 second item cut") << 12988 << i.bytes();
        QTest::newRow("12988 empty body") << 12988 << QByteArray();
    }

    void malformedBodyIsRejectedWhole() {
        QFETCH(int, function);
        QFETCH(QByteArray, body);
        ExpectWarning("qzLv2quoter", "minuteflow::Decode.*\\(" + QString::number(function) +
                                         "\\) body rejected: offset \\d+");
        FlowBatch batch;
        batch.count = 7;
        std::vector<MinuteIndicatorItem> items(1);
        bool ok = true;
        if (function == 12842)
            ok = DecodeMinuteFlowBody(body, batch);
        else if (function == 12844)
            ok = DecodeKlineFlowBody(body, batch);
        else
            ok = DecodeMinuteIndicatorBody(body, items);
        QVERIFY(!ok);
        QCOMPARE(int(batch.count), 7);
        QVERIFY(batch.records.empty());
        QCOMPARE(int(items.size()), 1);
    }

    void indicatorBodyGivesItemsAndSessionRows() {
        HandLaid b = flowbody::IndicatorHead("SH600000", 122);
        for (int i = 0; i < 122; ++i)
            b.i32(i).i32(-i).i32(i * 1000);
        ResponsePkgEntity_12988 entity;
        QVERIFY(DecodeMinuteIndicatorBody(b.bytes(), entity.items));
        FillIndicatorRows(entity);
        QCOMPARE(entity.rows.size(), 122);
        QCOMPARE(entity.rows[0].Get("time").ToString(), QString("09:30"));
        QCOMPARE(entity.rows[119].Get("time").ToString(), QString("11:29"));
        QCOMPARE(entity.rows[120].Get("time").ToString(), QString("13:00"));
        QCOMPARE(entity.rows[121].Get("index").ToInt64(), qint64(121));
        QCOMPARE(entity.rows[121].Get("value2").ToInt64(), qint64(-121));
        QCOMPARE(entity.rows[121].Get("value3").ToInt64(), qint64(121000));
    }

    void mergeKeepsReplacesAndMarks_data() {
        QTest::addColumn<QString>("cached");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<QString>("merged");
        const auto row = [](const char* name, QString cached, QString batch, QString merged) {
            QTest::newRow(name) << cached << batch << merged;
        };
        row("empty batch leaves the list", "930/1 931/2", "", "930/1 931/2");
        row("first batch is marked at both ends", "", "930 931 932", "930n/1 931n 932n/2");
        row("one record batch carries both marks", "", "930", "930n/3");
        row("unmarked overlap joins without marks", "930 931 933", "933 934", "930 931 933n 934n");
        row("older page ending on the batch start joins it", "935/1 936 937/2", "930 931 935",
            "930n/1 931n 935n 936 937/2");
        row("newer page starting on a batch end joins it", "930/1 931 932/2", "932 933 934",
            "930/1 931 932n 933n 934n/2");
        row("batch after a gap is marked at both ends", "930/1 931/2", "940 941",
            "930/1 931/2 940n/1 941n/2");
        row("batch inside the list replaces what it covers", "930/1 931 932 933 934/2", "931 932",
            "930/1 931n 932n 933 934/2");
        row("O record between two N records is dropped", "930 932", "931 933", "930 931n 933n");
    }

    void mergeKeepsReplacesAndMarks() {
        QFETCH(QString, cached);
        QFETCH(QString, batch);
        QFETCH(QString, merged);
        FlowRecords received = Records(batch);
        for (FlowRecord& r : received)
            r.superin = 1;  // tells the batch's records from the cached ones
        QCOMPARE(Text(Merge(Records(cached), received)), merged);
    }

    void absorbDropsPollBoundaryAndEndsPaging_data() {
        QTest::addColumn<QString>("cached");
        QTest::addColumn<bool>("cachedComplete");
        QTest::addColumn<QString>("batch");
        QTest::addColumn<QString>("published");
        QTest::addColumn<bool>("complete");
        const auto row = [](const char* name, QString cached, bool cachedComplete, QString batch,
                            QString published, bool complete) {
            QTest::newRow(name) << cached << cachedComplete << batch << published << complete;
        };
        row("first page of three stays incomplete", "", false, "930 931 932", "930 931 932", false);
        row("first page of two completes", "", false, "930 931", "930 931", true);
        row("poll starting later drops its first record", "930 931 932", false, "932 933 934 935",
            "933 934 935", false);
        row("poll left with two records completes", "930 931 932", false, "932 933 934", "933 934",
            true);
        row("older page keeps its first record", "935 936", false, "930 931 932 933 934 935",
            "930 931 932 933 934 935", false);
        row("complete stays complete", "930 931", true, "931 932 933 934", "932 933 934", true);
    }

    void absorbDropsPollBoundaryAndEndsPaging() {
        QFETCH(QString, cached);
        QFETCH(bool, cachedComplete);
        QFETCH(QString, batch);
        QFETCH(QString, published);
        QFETCH(bool, complete);
        FlowBatch received;
        received.records = Records(batch);
        received.count = quint16(received.records.size());
        const FlowSeries series = Absorb(SeriesOf(cached, cachedComplete), received);
        QCOMPARE(Text(received.records), published);
        QCOMPARE(int(received.count), int(received.records.size()));
        QCOMPARE(series.complete, complete);
    }

    void followUpsFillGapsThenPageBack_data() {
        QTest::addColumn<QString>("series");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<QList<qint32>>("revindexes");
        QTest::newRow("incomplete asks for the page ending at the second record")
            << "930/1 931 932/2" << false << QList<qint32>{931};
        QTest::newRow("complete without gaps asks nothing")
            << "930/1 931 932/2" << true << QList<qint32>{};
        QTest::newRow("a batch start inside asks from its successor back")
            << "930/1 931/2 940/1 941 942/2" << true << QList<qint32>{941};
        QTest::newRow("a batch start at the end has no successor")
            << "930 931/2 940/1" << true << QList<qint32>{};
        QTest::newRow("gaps first, then the older page")
            << "930/1 931/2 940/1 941/2 950/1 951/2" << false << QList<qint32>{941, 951, 931};
        QTest::newRow("a single record asks nothing") << "930/3" << false << QList<qint32>{};
    }

    void followUpsFillGapsThenPageBack() {
        QFETCH(QString, series);
        QFETCH(bool, complete);
        QFETCH(QList<qint32>, revindexes);
        QCOMPARE(FollowUpRevindexes(SeriesOf(series, complete)), revindexes);
    }

    // Code, scope type, keys -> accepted, children, the keys left over ("-": none).
    void indicatorResolverSplitsSuplOff_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QVariant>("type");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("children");
        QTest::addColumn<QString>("remainder");
        const auto row = [](const char* name, const char* code, const QVariant& type,
                            const char* keys, bool accepted, int children, const char* remainder) {
            QTest::newRow(name) << QString(code) << type << QString(keys) << accepted << children
                                << QString(remainder);
        };
        row("supl and one other key", "SH600000", 7, "supl,ma", true, 1, "ma");
        row("no supl: only the remainder", "SH600000", 7, "ma,boll", true, 0, "ma,boll");
        row("supl twice among others keeps their order", "SH600000", 7, "ma,supl,boll,supl", true,
            2, "ma,boll");
        // An empty key names no data: it is neither split off nor left to other resolvers.
        row("empty keys ask for nothing", "SH600000", 7, ",supl,,ma,", true, 1, "ma");
        row("a trailing comma leaves no remainder", "SH600000", 7, "supl,", true, 1, "-");
        row("stock without the feature", "HK00700", 7, "supl", false, 0, "-");
        row("another scope type", "SH600000", 17, "supl", false, 0, "-");
    }

    void indicatorResolverSplitsSuplOff() {
        QFETCH(QString, code);
        QFETCH(QVariant, type);
        QFETCH(QString, keys);
        QFETCH(bool, accepted);
        QFETCH(int, children);
        QFETCH(QString, remainder);
        QuoteDataSourceHandlerConfiguration configuration;
        configuration.lv2_feature = PatternFeatureStatement(1, "LV2", "(SH|SZ)\\d{6}");
        QzLv2IndicatorResolver resolver(&configuration);
        resolver.Init();
        ScopeTreeNode node = ScopeTreeNode::NewRoot(type.type() == QVariant::Int
                                                        ? ScopeTypeVariant(type.toInt())
                                                        : ScopeTypeVariant(type.toString()));
        node.stock_list = StockListExpression::FromStockCode(code);
        node.key_list = KeyListExpression::FromKeyList(keys);
        node.cycle = "week";
        ScopeResolveResult result;
        QCOMPARE(resolver.Resolve(result, node), accepted);
        QCOMPARE(result.fetch_nodes.size(), children);
        for (const ScopeTreeNode& child : result.fetch_nodes.ToStdList()) {
            QVERIFY(child.scope_type == ScopeTypeVariant("qz_ind_12844"));
            QVERIFY(child.api_type == ScopeTypeVariant("12844"));
            QCOMPARE(child.key_list.ToText(), QString("supl"));
            QCOMPARE(child.stock_list.GetStockCode(), code);
            QCOMPARE(child.cycle.toString(), QString("week"));
        }
        QStringList rest;
        for (const ScopeTreeNode& node : result.unhandled_nodes.ToStdList())
            rest << node.scope_type.ToQString() + ":" + node.key_list.ToText();
        QCOMPARE(rest, remainder == "-" ? QStringList() : QStringList{"7:" + remainder});
    }

    // Every column of the table, named as it lists them, holds the decoded field.
    void minuteJoinGivesOneRowPerMinute() {
        QMap<QString, qint64> expected;
        FlowRecords records = DecodedRecord(false, expected);
        QCOMPARE(int(records.size()), 1);
        records.push_back(FlowRecord());
        records.back().time = 1500;
        ScopeTreeNode source;
        source.quote_data = QSharedPointer<ResponsePkgEntity_12842>::create(
            quint16(2), QSharedPointer<const FlowRecords>(new FlowRecords(records)));
        ScopeTreeNode target;
        QVERIFY(JoinMinuteFlows(target, source).IsSuccess());
        const auto* data = dynamic_cast<const BaseQuoteData*>(target.quote_data.data());
        QVERIFY(data != nullptr);
        QCOMPARE(data->rows.size(), 2);
        QCOMPARE(data->rows[0].Get("time").ToString(), QString("09:31"));
        QCOMPARE(data->rows[1].Get("time").ToString(), QString("15:00"));
        QCOMPARE(data->rows[0].GetCells().Size(), 26);
        for (const char* column : kMinuteColumns)
            QCOMPARE(qMakePair(QString(column), data->rows[0].Get(column).ToInt64()),
                     qMakePair(QString(column), expected.value(column)));

        ScopeTreeNode wrong;
        wrong.quote_data = QSharedPointer<ResponsePkgEntity_12844>::create();
        ScopeTreeNode untouched;
        QVERIFY(!JoinMinuteFlows(untouched, wrong).IsSuccess());
        QVERIFY(!JoinMinuteFlows(untouched, ScopeTreeNode()).IsSuccess());
        QVERIFY(untouched.quote_data.isNull());
    }

    // Every field id of the table holds its field; the date is field 0.
    void klineJoinPlacesCellsByFieldId() {
        QMap<QString, qint64> expected;
        const FlowRecords records = DecodedRecord(true, expected);
        QCOMPARE(int(records.size()), 1);
        ScopeTreeNode source;
        source.quote_data = QSharedPointer<ResponsePkgEntity_12844>::create(
            quint16(1), QSharedPointer<const FlowRecords>(new FlowRecords(records)));
        ScopeTreeNode target;
        QVERIFY(JoinKlineFlows(target, source).IsSuccess());
        const auto* segment = dynamic_cast<const KlineSegment*>(target.quote_data.data());
        QVERIFY(segment != nullptr);
        QCOMPARE(segment->segment_name, QString("supl"));
        QCOMPARE(segment->RowCount(), 1);
        QCOMPARE(segment->Cell(0, 0).ToString(), QString("20240105"));
        for (const auto& id : kKlineIds)
            QCOMPARE(qMakePair(id.first, segment->Cell(0, id.first).ToInt64()),
                     qMakePair(id.first, expected.value(id.second)));
        QCOMPARE(segment->header->GetCapacity(), 26);
        QVERIFY(!JoinKlineFlows(target, ScopeTreeNode()).IsSuccess());
    }

    void countsAboveTwoToThe15_data() {
        QTest::addColumn<int>("function");
        QTest::newRow("12842") << 12842;
        QTest::newRow("12844") << 12844;
        QTest::newRow("12988") << 12988;
    }

    // A u16 count of 0x8000 announces 32768 records (times only) or items, all there.
    void countsAboveTwoToThe15() {
        QFETCH(int, function);
        constexpr int kCount = 0x8000;
        HandLaid b = function == 12842   ? flowbody::MinuteHead("SH600000", 0, kCount)
                     : function == 12844 ? flowbody::KlineHead("SH600000", 0, kCount)
                                         : flowbody::IndicatorHead("SH600000", kCount);
        for (int i = 0; i < kCount; ++i) {
            b.i32(i);
            if (function == 12988)
                b.i32(-i).i32(i);
        }
        FlowBatch batch;
        std::vector<MinuteIndicatorItem> items;
        if (function == 12842)
            QVERIFY(DecodeMinuteFlowBody(b.bytes(), batch));
        else if (function == 12844)
            QVERIFY(DecodeKlineFlowBody(b.bytes(), batch));
        else
            QVERIFY(DecodeMinuteIndicatorBody(b.bytes(), items));
        if (function == 12988) {
            QCOMPARE(int(items.size()), kCount);
            QCOMPARE(items.back().value2, -(kCount - 1));
        } else {
            QCOMPARE(int(batch.count), kCount);
            QCOMPARE(int(batch.records.size()), kCount);
            QCOMPARE(batch.records.back().time, kCount - 1);
        }
    }

    void seriesKeepsItsNewest65535Records_data() {
        QTest::addColumn<int>("cached");
        QTest::addColumn<int>("first");  // time of the first record kept
        QTest::addColumn<bool>("complete");
        QTest::newRow("65535 in all: nothing cut") << 65532 << 1 << false;
        QTest::newRow("65538 in all: the three oldest cut, paging ends") << 65535 << 4 << true;
    }

    // A poll batch of four after the cached records (its first is the page boundary and goes):
    // three new records join; beyond 65535 the oldest are cut and the series is complete.
    void seriesKeepsItsNewest65535Records() {
        QFETCH(int, cached);
        QFETCH(int, first);
        QFETCH(bool, complete);
        FlowBatch batch;
        for (int t = cached; t < cached + 4; ++t) {
            batch.records.push_back(FlowRecord());
            batch.records.back().time = t;
        }
        batch.count = 4;
        const FlowSeries series = Absorb(SeriesOfTimes(cached), batch);
        QCOMPARE(int(series.records->size()), cached + 3 - (first - 1));
        QCOMPARE(series.records->front().time, first);
        QCOMPARE(series.records->back().time, cached + 3);
        QCOMPARE(series.complete, complete);
    }

    void cycleTable_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("id");
        QTest::addColumn<bool>("minute");  // registered by 12842 as well
        const QList<QPair<const char*, int>> table = {
            {"1min", 1}, {"5mins", 2}, {"15mins", 3},   {"30mins", 4},     {"60mins", 5},
            {"week", 8}, {"month", 9}, {"quarter", 10}, {"half_year", 11}, {"year", 12}};
        for (const auto& row : table)
            QTest::newRow(row.first) << QString(row.first) << row.second << (row.second == 1);
        QTest::newRow("day is not a cycle") << "day" << kUnknownCycle << false;
        QTest::newRow("case matters") << "Week" << kUnknownCycle << false;
    }

    void cycleTable() {
        QFETCH(QString, code);
        QFETCH(int, id);
        QFETCH(bool, minute);
        QCOMPARE(CycleId(code, 12844), id);
        QCOMPARE(CycleId(code, 12842), minute ? id : kUnknownCycle);
    }
};

QTEST_GUILESS_MAIN(TestMinuteFlowData)
#include "tst_minuteflowdata.moc"
