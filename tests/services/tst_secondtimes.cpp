// What happens the second time: every join run again into a target it already filled, a damaged
// history file missed twice and then reloaded after the call saved it (twice), and books and
// pushes whose only change lies in the high bytes of a value.
#include <QtTest>

#include <functional>

#include "framework/HistoryFileFormat.h"
#include "framework/HistoryFilePath.h"
#include "host/quoter/BaseQuoteData.h"
#include "host/quoter/DealsQuoteData.h"
#include "host/quoter/KlineSegment.h"
#include "services/capitalflow/CapitalFlowJoins.h"
#include "services/deals/PriceDealsJoin.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/fastquote/FastQuoteJoins.h"
#include "services/fastquote/QzLv2FastQuoteNodeData.h"
#include "services/largedeals/QzLv2NewLargeScopeResolver.h"
#include "services/largedeals/ResponsePkgEntity_12990.h"
#include "services/minuteflow/FlowHistoryFile.h"
#include "services/minuteflow/FlowJoins.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12844.h"
#include "services/minuteflow/ResponsePkgEntity_12842.h"
#include "services/signals/ResponsePkgEntity_10015.h"
#include "services/signals/ResponsePkgEntity_10016.h"
#include "services/signals/SignalJoins.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "services/stockboard/QzLv2StockBoardScopeResolver.h"
#include "services/stockboard/ResponsePkgEntity_10012.h"
#include "services/stockboard/ResponsePkgEntity_12755.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using fastquote::JoinBasicQuote;
using fastquote::JoinFastQuote;
using nscell::DataRow;
using nscell::UnsharedDataCell;

Q_DECLARE_METATYPE(fastquotebody::Level)

namespace {

using Join = std::function<JoinMethodResult(ScopeTreeNode&, const ScopeTreeNode&)>;
struct Step {
    Join join;
    QSharedPointer<QuoteData> source;
};

// The target's data after the steps, in text: every row of whatever kind of data it holds.
QString RowText(const DataRow& row) {
    QStringList cells;
    for (const QString& name : row.Names())
        cells << name + "=" + row.Get(name).DisplayText();
    return cells.join(' ');
}

template <typename Rows>
void AddRows(QStringList& out, const Rows& rows) {
    for (const DataRow& row : rows)
        out << RowText(row);
}

void AddMap(QStringList& out, const ThousandGearsQuoteData::RowMap& map) {
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        out << it.key().DisplayText() + ": " + RowText(it.value());
}

QString Shown(const QList<Step>& steps) {
    ScopeTreeNode target = ScopeTreeNode::NewRoot(ScopeTypeVariant(2));
    for (const Step& step : steps) {
        ScopeTreeNode source = ScopeTreeNode::FromParentNode(target);
        source.quote_data = step.source;
        step.join(target, source);
    }
    const QuoteData* data = target.quote_data.data();
    if (data == nullptr)
        return "nothing";
    QStringList out{RowText(data->row)};
    if (const auto* table = dynamic_cast<const DealsQuoteData*>(data))
        AddRows(out, table->rows);
    if (const auto* base = dynamic_cast<const BaseQuoteData*>(data))
        AddRows(out, QList<DataRow>{base->base_row} + base->rows);
    if (const auto* segment = dynamic_cast<const KlineSegment*>(data)) {
        for (const KlineSegment::Row& row : segment->rows) {
            QStringList cells;
            for (const UnsharedDataCell& cell : row)
                cells << cell.DisplayText();
            out << cells.join(' ');
        }
    }
    if (const auto* book = dynamic_cast<const QzLv2FastQuoteNodeData*>(data)) {
        out << QString("precision %1 flag %2").arg(book->precision).arg(book->fast_ten_flag);
        AddRows(out, book->wills.buy_rows);
        AddRows(out, book->wills.sell_rows);
        for (const auto* map : {&book->gears.buy_levels, &book->gears.buy_queues,
                                &book->gears.sell_levels, &book->gears.sell_queues})
            AddMap(out, *map);
    }
    return out.join('\n');
}

// Sources of each join, told apart by v.
QSharedPointer<QuoteData> PriceDeals(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_12915>::create();
    e->day_volume = 1000;
    e->max_total_volume = quint32(100 * v);
    e->records = {{quint32(1000 + v), quint32(100 * v), quint32(v), 0, 0}};
    if (v == 1)
        e->records.push_back({990, 50, 0, 50, 0});
    return e;
}

template <typename Entity, typename Set>
QSharedPointer<QuoteData> Package(Set set) {
    auto e = QSharedPointer<Entity>::create();
    set(e->package);
    return e;
}

QSharedPointer<QuoteData> LargeDeal(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_12990>::create();
    LargeDealRecord deal;
    deal.sequence = v;
    deal.time = quint32(93000 + v);
    deal.number = 100 * v;
    e->records = {deal};
    return e;
}

// v 1: two records; v 2: one later record.
template <typename Entity>
QSharedPointer<QuoteData> Flows(int v, qint32 first) {
    auto records = QSharedPointer<FlowRecords>::create();
    for (int i = 0; i < (v == 1 ? 2 : 1); ++i) {
        FlowRecord r;
        r.time = first + (v == 1 ? i : 2);
        r.superin = v;
        records->push_back(r);
    }
    return QSharedPointer<Entity>::create(quint16(records->size()), records);
}

QSharedPointer<QuoteData> Types(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_10015>::create();
    e->types = {{"1", 1, "G", "S1", 0}};
    if (v == 1)
        e->types.append({"2", 1, "G", "S2", 0});
    else
        e->types[0].signal_type_group_name = "H";
    return e;
}

// One signal of order 5 (the same row both times), its type and side told by v.
QSharedPointer<QuoteData> Signals(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_10016>::create();
    ShortLineSignal s;
    s.stock_code = "SH600000";
    s.signal_type_name = v == 1 ? "S1" : "S2";
    s.order = 5;
    s.signal_type_deal_direction = v == 1 ? 1 : -1;
    s.signal_time = 93005120 + v * 1000;
    e->signal_list = {s};
    e->count = 1;
    return e;
}

QSharedPointer<QuoteData> Snapshot(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_10002>::create();
    e->snapshot.code = "SH600000";
    e->snapshot.money_flow_today = 7 * v;
    e->snapshot.float_ratio_today = 100 * v;
    return e;
}

QSharedPointer<QuoteData> StockRelated(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_12755>::create();
    e->code = "SZ300750";
    e->market_code = "SZ";
    e->ratios = {0, 0, 100 * v, 200 * v};
    return e;
}

QSharedPointer<QuoteData> DataSet(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_10012>::create();
    e->row.Set("limit_up_price", UnsharedDataCell::FromInteger(1000 * v));
    if (v == 1)
        e->row.Set("eps", UnsharedDataCell::FromInteger(7));
    return e;
}

QSharedPointer<QuoteData> BasicQuote(int precision) {
    auto e = QSharedPointer<ResponsePkgEntity_10002>::create();
    e->snapshot.carried1 = e->snapshot.mask1 = 0x4 | 0x10 | 0x20;
    e->snapshot.price_precision = quint8(precision);
    e->snapshot.base_price = 1000;
    e->snapshot.stock_type = 1;
    return e;
}

QSharedPointer<QuoteData> Book(int v) {
    auto e = QSharedPointer<ResponsePkgEntity_12989>::create();
    const QVector<fastquotebody::Level> buy{{1050 - v, 30000 * v, 2, 0, {10000 * v, 20000}}};
    const QByteArray body =
        fastquotebody::Body("SH600000", buy, fastquotebody::Levels(v, 1051, 1), qint8(v));
    QString code;
    FastQuoteLevelsPtr levels;
    FastQuoteDecoder::DecodeNext(body, nullptr, *e, code, levels);
    return e;
}

Join Board(const char* call) {
    return [call](ScopeTreeNode& t, const ScopeTreeNode& s) {
        return QzLv2StockBoardScopeResolver::Join(call, t, s);
    };
}

// Each join run twice into one target against what the second run alone shows; `first` (the first
// run alone) must show otherwise, or the case could not fail.
struct Case {
    QList<Step> twice, expected, first;
};

Case Repeated(const QList<Step>& before, const Join& join,
              const std::function<QSharedPointer<QuoteData>(int)>& source) {
    const Step one{join, source(1)};
    const Step two{join, source(2)};
    return {before + QList<Step>{one, two}, before + QList<Step>{two}, before + QList<Step>{one}};
}

const QMap<QString, Case>& Cases() {
    static const QMap<QString, Case> cases = [] {
        QMap<QString, Case> c;
        c["12915 price deals"] = Repeated({}, &deals::JoinPriceDeals, &PriceDeals);
        c["12930 stock flow"] = Repeated({}, &capitalflow::JoinStockFlow, [](int v) {
            return Package<ResponsePkgEntity_12930>([v](auto& p) { p.total_sell = v; });
        });
        c["12932 board flow"] = Repeated({}, &capitalflow::JoinBoardFlow, [](int v) {
            return Package<ResponsePkgEntity_12932>([v](auto& p) { p.little_buy_amount = v; });
        });
        c["12973 board analysis"] = Repeated({}, &capitalflow::JoinBoardAnalysis, [](int v) {
            return Package<ResponsePkgEntity_12973>(
                [v](auto& p) { p.CurrentDayLargeInCapital = v; });
        });
        c["12990 latest large deal"] = Repeated({}, &largedeal::JoinLatestLargeDeal, &LargeDeal);
        c["12842 minute flows"] = Repeated({}, &minuteflow::JoinMinuteFlows, [](int v) {
            return Flows<ResponsePkgEntity_12842>(v, 930);
        });
        c["12844 K-line flows"] = Repeated({}, &minuteflow::JoinKlineFlows, [](int v) {
            return Flows<ResponsePkgEntity_12844>(v, 20240102);
        });
        c["10015 signal type list"] = Repeated({}, &shortline::JoinSignalTypeList, &Types);
        c["10016 signal list, one order"] = Repeated({}, &shortline::JoinSignalList, &Signals);
        c["statistics, signals again"] = Repeated({{&shortline::JoinSignalStatistics, Types(1)}},
                                                  &shortline::JoinSignalStatistics, &Signals);
        c["statistics, types again"] = Repeated({{&shortline::JoinSignalStatistics, Signals(1)}},
                                                &shortline::JoinSignalStatistics, &Types);
        c["board row, 10002 again"] = Repeated({}, Board("10002"), &Snapshot);
        c["board row, 12755 again"] = Repeated({}, Board("12755_stock_related"), &StockRelated);
        c["board row, 10012 again"] = Repeated({}, Board("10012"), &DataSet);
        c["fast quote, book again"] =
            Repeated({{&JoinBasicQuote, BasicQuote(2)}}, &JoinFastQuote, &Book);
        // The first basic quote sets the precision; a later one changes nothing.
        const Step basic2{&JoinBasicQuote, BasicQuote(2)};
        const Step basic3{&JoinBasicQuote, BasicQuote(3)};
        const Step book{&JoinFastQuote, Book(1)};
        c["fast quote, basic quote again"] = {
            {basic2, book, basic3}, {basic2, book}, {basic3, book}};
        return c;
    }();
    return cases;
}

const QString kCode = "SH600000";

// A 12844 page of K-line records on `dates` (counts group only).
QByteArray KlinePage(const QList<qint32>& dates) {
    HandLaid b = flowbody::KlineHead(kCode, 0x01, quint16(dates.size()));
    for (qint32 date : dates)
        b.i32(date).i32(1).i32(2).i32(3).i32(4);
    return b.bytes();
}

QList<qint32> Dates(const QuoteTaskExecMidResult& result) {
    QList<qint32> dates;
    if (const auto* batch = dynamic_cast<const FlowBatchEntity*>(result.data.data())) {
        for (const FlowRecord& r : *batch->records)
            dates << r.time;
    }
    return dates;
}

int g_historyWarnings = 0;

}  // namespace

class TestSecondTimes : public CallTest {
    Q_OBJECT

private slots:
    void joiningAgainShowsWhatTheLatestSourceShows_data() {
        QTest::addColumn<QString>("name");
        for (const QString& name : Cases().keys())
            QTest::newRow(qPrintable(name)) << name;
    }

    void joiningAgainShowsWhatTheLatestSourceShows() {
        QFETCH(QString, name);
        const Case& c = Cases()[name];
        const QString expected = Shown(c.expected);
        QVERIFY2(Shown(c.first) != expected, "the two sources show alike");
        QCOMPARE(Shown(c.twice), expected);
    }

    // A damaged file is missed once with one warning; the call does not read it again (a good
    // file put there meanwhile is not seen) until it has saved the series itself; a series
    // dropped from memory then reloads from the file as last saved.
    void damagedHistoryFileMissedTwiceThenReloadedAsSaved() {
        HandLaid lying;  // a data block announcing five records holding one
        lying.u32(1).u32(0).u16(5).i32(20000107);
        for (int i = 0; i < 4 + 2 * 20 + 3; ++i)
            lying.u32(0);
        const QString path = historyfile::FilePath(kCode, "week");
        QVERIFY(historyfile::WriteFileAtomically(path, historyfile::Wrap(lying.bytes())));
        g_historyWarnings = 0;
        QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& m) {
                if (type == QtWarningMsg && m.contains("kline capitalflow"))
                    ++g_historyWarnings;
            });
        auto call = h_.Make<QzLv2RemoteApiCall_12844>();
        const auto attach = [&] {
            ScopeTreeNode node = NodeFor(kCode, "12844");
            node.cycle = "week";
            call->AttachNode(node);
        };
        attach();
        historyfile::HistoryData<FlowRecord> good;
        good.records.resize(1);
        good.records[0].time = 19990101;
        QVERIFY(minuteflow::FlowHistoryFile().Save(kCode, "week", good));
        attach();  // a second miss: the damaged file is remembered
        QCOMPARE(h_.Queued(), 0);

        const ServerRequest request = h_.WaitForRequestOf(12844, 1);
        QVERIFY(h_.backend->Answer(request, KlinePage({20240102, 20240105})));
        QCOMPARE(h_.Take(2).size(), 2);
        h_.Flush();
        call->Cache().WaitForSaves();
        QVERIFY(h_.backend->Answer(request, KlinePage({20240105, 20240112})));  // saved again
        QCOMPARE(h_.Take(2).size(), 2);
        h_.Flush();
        call->Cache().WaitForSaves();

        ResponsePkgTopic_12844 topic;
        topic.code = kCode.toStdString();
        topic.cycle = "week";
        call->Cache().Remove(topic);
        attach();  // a miss: the file as the call saved it last
        QCOMPARE(h_.Queued(), 1);
        QCOMPARE(Dates(h_.Next()), (QList<qint32>{20240102, 20240105, 20240112}));
        qInstallMessageHandler(previous);
        QCOMPARE(g_historyWarnings, 1);
    }

    void bookChangedOnlyInHighBytesIsShown_data() {
        QTest::addColumn<fastquotebody::Level>("last");
        QTest::addColumn<fastquotebody::Level>("next");
        const auto row = [](const char* name, fastquotebody::Level last,
                            fastquotebody::Level next) { QTest::newRow(name) << last << next; };
        row("volume, third byte", {1050, 0x10064, 1, 0, {100}}, {1050, 0x20064, 1, 0, {100}});
        row("volume, top byte", {1050, 0x01000064, 1, 0, {100}}, {1050, 0x02000064, 1, 0, {100}});
        row("order count", {1050, 100, 0x10001, 0, {100}}, {1050, 100, 0x20001, 0, {100}});
        row("price", {0x1041A, 100, 1, 0, {100}}, {0x2041A, 100, 1, 0, {100}});
        row("queued volume", {1050, 100, 1, 0, {0x10064}}, {1050, 100, 1, 0, {0x20064}});
        row("big flag, high byte only", {1050, 100, 1, 0x100, {100}}, {1050, 100, 1, 0, {100}});
    }

    // A push whose only change lies in the high bytes of a level's value does not take over the
    // last book's rows: it shows as the same body decoded afresh.
    void bookChangedOnlyInHighBytesIsShown() {
        QFETCH(fastquotebody::Level, last);
        QFETCH(fastquotebody::Level, next);
        const auto decode = [](const fastquotebody::Level& level, const FastQuoteLevels* previous,
                               FastQuoteLevelsPtr& levels) {
            const QByteArray body = fastquotebody::Body(kCode, {level}, {level}, 0);
            auto book = QSharedPointer<ResponsePkgEntity_12989>::create();
            QString code;
            FastQuoteDecoder::DecodeNext(body, previous, *book, code, levels);
            return Shown({{&JoinFastQuote, book}});
        };
        FastQuoteLevelsPtr lastLevels, nextLevels, freshLevels;
        const QString lastShown = decode(last, nullptr, lastLevels);
        const QString fresh = decode(next, nullptr, freshLevels);
        QVERIFY(fresh != lastShown);
        QCOMPARE(decode(next, lastLevels.get(), nextLevels), fresh);
    }

    // A 10001 push whose volume differs from the cached one only in the packed word's exponent
    // (its top two bits) is shown, merged into the cached snapshot.
    void pushChangedOnlyInTopBitsIsShown() {
        auto call = h_.Make<QzLv2RemoteApiCall_10002>();
        call->AttachNode(NodeFor(kCode, "10001"));
        QList<qint64> volumes;
        for (quint32 exponent : {0u, 1u, 3u}) {
            HandLaid push;
            push.header14().u16(1).u32(0x1 | 0x1000).u32(0).u32(0).str(kCode).packed(exponent, 5);
            h_.backend->Push(10001, push.bytes());
            const auto* e = dynamic_cast<const ResponsePkgEntity_10002*>(h_.Next().data.data());
            volumes << (e ? e->snapshot.volume : -1);
        }
        QCOMPARE(volumes, (QList<qint64>{5, 80, 5LL << 12}));
    }
};

QTEST_GUILESS_MAIN(TestSecondTimes)
#include "tst_secondtimes.moc"
