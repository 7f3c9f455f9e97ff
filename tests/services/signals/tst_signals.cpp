// Short-line signals: hand-laid 10015/10016 bodies, the filter, the joins and resolvers, the calls.
#include <QRegularExpression>
#include <QtTest>

#include <optional>

#include "host/core/HostClock.h"
#include "host/quoter/BaseQuoteData.h"
#include "services/signals/QzLv2RemoteApiCall_10015.h"
#include "services/signals/QzLv2RemoteApiCall_10016.h"
#include "services/signals/QzLv2ShortLineSignalListScopeResolver.h"
#include "services/signals/QzLv2ShortLineSignalStatisticsScopeResolver.h"
#include "services/signals/QzLv2ShortLineSignalTypeListScopeResolver.h"
#include "services/signals/SignalDecoders.h"
#include "services/signals/SignalFilter.h"
#include "services/signals/SignalJoins.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;
using nscell::DataRow;
using nscell::UnsharedDataCell;

namespace {

// A 10015 body: i32 A, i32 B, i32 flags, u16 N; per type: code, u16 group code, group name, name,
// [u8 level with flags bit 0].
struct Type {
    QString code;
    quint16 group;
    QString groupName, name;
    quint8 level;
};

QByteArray TypeBody(qint32 flags, const QVector<Type>& types, int announced = -1) {
    HandLaid b;
    b.i32(-1).i32(2).i32(flags).u16(quint32(announced < 0 ? types.size() : announced));
    for (const Type& t : types) {
        b.str(t.code).u16(t.group).str(t.groupName).str(t.name);
        if (flags & 1)
            b.u8(t.level);
    }
    return b.bytes();
}

// A 10016 body: i32 A, i32 B, i32 flags, 2 bytes, i32 C, i32 D, i32 N; per signal: code, name, type
// name, order (i32 with flags bit 0, else u16), i16 direction, i32 time, u8 B, i32 A, description,
// [u8 C with flags bit 1].
struct Signal {
    QString code, name, type;
    quint32 order;
    qint16 direction;
    qint32 time;
    QString description;
};

QByteArray SignalBody(qint32 flags, const QVector<Signal>& signalList,
                      std::optional<qint32> announced = std::nullopt) {
    HandLaid b;
    b.i32(7).i32(8).i32(flags).u16(0xFFFF).i32(9).i32(10);
    b.i32(announced.value_or(signalList.size()));
    for (const Signal& s : signalList) {
        b.str(s.code).str(s.name).str(s.type);
        if (flags & 1)
            b.i32(qint32(s.order));
        else
            b.u16(s.order);
        b.i16(s.direction).i32(s.time).u8(0xB0).i32(-123456).str(s.description);
        if (flags & 2)
            b.u8(0xC0);
    }
    return b.bytes();
}

// A 10015 node without plates, else a 10016 node.
ScopeTreeNode CallNode(const QString& plates = QString(), int quoteLevel = 0) {
    const QString api = plates.isNull() ? "10015" : "10016";
    ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant("qz_lv2_quoter_" + api));
    node.api_type = ScopeTypeVariant(api);
    if (!plates.isNull()) {
        node.params.insert("plate_list", plates);
        node.quote_level = quoteLevel;
    }
    return node;
}

const QString kQuery = QString::fromUtf8("短线精灵查询");
const QString kRocket = QString::fromUtf8("火箭发射");

ShortLineSignal MakeSignal(const QString& code, const QString& type, quint32 order,
                           qint32 direction = 1) {
    ShortLineSignal s;
    s.stock_code = code;
    s.stock_name = "N" + code;
    s.signal_type_name = type;
    s.order = order;
    s.signal_type_deal_direction = direction;
    s.signal_time = 93005120;
    s.signal_description = "d" + QString::number(order);
    return s;
}

SignalType MakeType(const QString& code, const QString& name, quint32 group) {
    SignalType t;
    t.signal_type_code = code;
    t.signal_type_name = name;
    t.signal_type_group_code = group;
    t.signal_type_group_name = "G" + QString::number(group);
    return t;
}

ScopeTreeNode Child(const QSharedPointer<QuoteData>& data) {
    ScopeTreeNode node(ScopeTypeVariant("qz_lv2_quoter_10016"));
    node.quote_data = data;
    return node;
}

ScopeTreeNode Target(const QString& markets = QString(), const QString& stocks = QString(),
                     const QString& names = QString()) {
    ScopeTreeNode node{ScopeTypeVariant(kQuery)};
    auto data = QSharedPointer<BaseQuoteData>::create();
    data->base_row.Set("market_list", markets);
    data->base_row.Set("stock_list", stocks);
    data->base_row.Set("signal_name_list", names);
    node.quote_data = data;
    return node;
}

QSharedPointer<ResponsePkgEntity_10016> Answer(const QVector<ShortLineSignal>& list) {
    auto answer = QSharedPointer<ResponsePkgEntity_10016>::create();
    answer->signal_list = list;
    answer->count = list.size();
    return answer;
}

const BaseQuoteData& Data(const ScopeTreeNode& node) {
    return dynamic_cast<const BaseQuoteData&>(*node.quote_data);
}

QStringList Column(const ScopeTreeNode& node, const QString& column) {
    QStringList out;
    for (const DataRow& row : Data(node).rows)
        out << row.Get(column).DisplayText();
    return out;
}

}  // namespace

class TestSignals : public CallTest {
    Q_OBJECT

private slots:
    void typeBodyWithAndWithoutLevel_data() {
        QTest::addColumn<int>("flags");
        QTest::newRow("flags 0: no level") << 0;
        QTest::newRow("flags 3: level, other bits ignored") << 3;
    }

    void typeBodyWithAndWithoutLevel() {
        QFETCH(int, flags);
        const QVector<Type> types = {
            {"205", 65535, "", QString::fromUtf8("大笔卖出"), 255},
            {"101", 1, QString::fromUtf8("涨跌"), QString::fromUtf8("火箭发射"), 7}};
        const auto decoded = signalwire::DecodeSignalTypeBody(TypeBody(flags, types));
        QVERIFY(decoded.ok);
        const ResponsePkgEntity_10015& e = *decoded.record;
        QCOMPARE((QList<int>{e.header_a, e.header_b, e.flags, int(e.count), e.types.size()}),
                 (QList<int>{-1, 2, flags, 2, 2}));
        for (int i = 0; i < types.size(); ++i) {
            QCOMPARE(e.types[i].signal_type_code, types[i].code);
            QCOMPARE(e.types[i].signal_type_group_code, quint32(types[i].group));
            QCOMPARE(e.types[i].signal_type_group_name, types[i].groupName);
            QCOMPARE(e.types[i].signal_type_name, types[i].name);
            QCOMPARE(e.types[i].level, (flags & 1) ? quint32(types[i].level) : 0u);
        }
        // The type list join: a row per type in the answer's order, names translated by code.
        ScopeTreeNode target{ScopeTypeVariant(kQuery)};
        ScopeTreeNode source(ScopeTypeVariant("qz_lv2_quoter_10015"));
        source.quote_data = QSharedPointer<ResponsePkgEntity_10015>::create(e);
        QVERIFY(shortline::JoinSignalTypeList(target, source));
        QCOMPARE(Column(target, "signal_type_code"), (QStringList{"205", "101"}));
        const DataRow row = Data(target).rows[1];
        QCOMPARE(
            (QList<UnsharedDataCell>{row.Get("signal_type_name"),
                                     row.Get("signal_type_group_name")}),
            (QList<UnsharedDataCell>{UnsharedDataCell::FromTranslater("101", types[1].name),
                                     UnsharedDataCell::FromTranslater("1", types[1].groupName)}));
        QCOMPARE(Data(target).rows[0].Get("signal_type_group_code").ToString(), QString("65535"));
        QCOMPARE(Data(target).sources.value("10015"), source.quote_data);
    }

    void signalBodyUnderEveryFlagSetting_data() {
        QTest::addColumn<int>("flags");
        QTest::newRow("i32 order") << 1;
        QTest::newRow("value C") << 2;
        QTest::newRow("i32 order and value C") << 3;
    }

    void signalBodyUnderEveryFlagSetting() {
        QFETCH(int, flags);
        const quint32 order = (flags & 1) ? 0x80000001u : 0xFEDCu;  // i32 -2147483647, u16
        const QVector<Signal> list = {
            {"SZ300750", QString::fromUtf8("宁德时代"), QString::fromUtf8("火箭发射"), order, -2,
             93005120, QString::fromUtf8("1分钟涨 2.10%")},
            {"SH600000", "", "", 1, 0, 0, ""}};
        const auto decoded = signalwire::DecodeSignalBody(SignalBody(flags, list));
        QVERIFY(decoded.ok);
        const ResponsePkgEntity_10016& e = *decoded.record;
        QCOMPARE((QList<int>{e.header_a, e.header_b, e.flags, e.header_c, e.header_d, e.count,
                             e.signal_list.size()}),
                 (QList<int>{7, 8, flags, 9, 10, 2, 2}));
        const ShortLineSignal& s = e.signal_list[0];
        QCOMPARE(
            (QStringList{s.stock_code, s.stock_name, s.signal_type_name, s.signal_description}),
            (QStringList{"SZ300750", QString::fromUtf8("宁德时代"), QString::fromUtf8("火箭发射"),
                         QString::fromUtf8("1分钟涨 2.10%")}));
        QCOMPARE((QList<qint64>{s.order, s.signal_type_deal_direction, s.signal_time, s.value_b,
                                s.value_a, s.value_c}),
                 (QList<qint64>{order, -2, 93005120, 0xB0, -123456, (flags & 2) ? 0xC0 : 0}));
        QCOMPARE(e.signal_list[1].stock_code, QString("SH600000"));
        ScopeTreeNode target = Target();  // the order as on the wire, sorted unsigned
        QVERIFY(shortline::JoinSignalList(
            target, Child(QSharedPointer<ResponsePkgEntity_10016>::create(e))));
        QCOMPARE(Column(target, "order"), (QStringList{"1", QString::number(order)}));
        QCOMPARE(Data(target).rows[1].Get("order"), UnsharedDataCell::FromInteger(order));
    }

    // Which decoder, body -> signals or types decoded (-1: rejected).
    void badBodiesRejectedWhole_data() {
        QTest::addColumn<int>("function");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("items");
        const Signal s{"SZ000001", "A", "B", 1, 1, 93000000, "C"};
        const Type t{"1", 1, "g", "n", 1};
        QTest::newRow("10016 count 0") << 10016 << SignalBody(0, {}) << 0;
        QTest::newRow("10016 negative count, bytes after") << 10016 << SignalBody(0, {s}, -5) << 0;
        QTest::newRow("10016 count 2, one there") << 10016 << SignalBody(0, {s}, 2) << -1;
        QTest::newRow("10016 count 2^31-1") << 10016 << SignalBody(0, {s}, 0x7FFFFFFF) << -1;
        QTest::newRow("10016 without value C that flags announce")
            << 10016 << SignalBody(0, {s}).replace(8, 1, "\x02") << -1;
        QTest::newRow("10016 description cut") << 10016 << SignalBody(0, {s}).chopped(1) << -1;
        QTest::newRow("10015 count 0") << 10015 << TypeBody(0, {}) << 0;
        QTest::newRow("10015 count 3, one there") << 10015 << TypeBody(0, {t}, 3) << -1;
        QTest::newRow("10015 count 65535") << 10015 << TypeBody(1, {t}, 65535) << -1;
        QTest::newRow("10015 count 0x8000, all there")
            << 10015 << TypeBody(1, QVector<Type>(0x8000, t)) << 0x8000;
        QTest::newRow("10015 level missing") << 10015 << TypeBody(1, {t}).chopped(1) << -1;
    }

    void badBodiesRejectedWhole() {
        QFETCH(int, function);
        QFETCH(QByteArray, body);
        QFETCH(int, items);
        const auto check = [&](const auto& decoded, const auto& list) {
            QCOMPARE(decoded.ok ? list(*decoded.record).size() : -1, items);
            if (!decoded.ok)
                QVERIFY(decoded.error.contains(QString("exceeds body length %1").arg(body.size())));
        };
        if (function == 10016)
            check(signalwire::DecodeSignalBody(body),
                  [](const ResponsePkgEntity_10016& e) { return e.signal_list; });
        else
            check(signalwire::DecodeSignalTypeBody(body),
                  [](const ResponsePkgEntity_10015& e) { return e.types; });
    }

    // Market list, stock list, name list, the signal's stock -> kept (every signal is a rocket).
    void filterRules_data() {
        QTest::addColumn<QString>("markets");
        QTest::addColumn<QString>("stocks");
        QTest::addColumn<QString>("names");
        QTest::addColumn<QString>("code");
        QTest::addColumn<bool>("kept");
        const auto row = [](const char* name, const char* markets, const char* stocks,
                            const QString& names, const char* code, bool kept) {
            QTest::newRow(name) << QString(markets) << QString(stocks) << names << QString(code)
                                << kept;
        };
        const QString dive = QString::fromUtf8("高台跳水");
        row("no filter", "", "", "", "SZ000001", true);
        row("listed market", "SZ", "", "", "SZ000001", true);
        row("other market", "SH", "", "", "SZ000001", false);
        row("stocks alone do not filter", "", "SH600000", "", "SZ000001", true);
        row("stock list without CUSTOM", "SH", "SZ000001", "", "SZ000001", false);
        row("CUSTOM, stock listed", "SH,CUSTOM", "SZ000001", "", "SZ000001", true);
        row("CUSTOM, stock not listed", "SH,CUSTOM", "SZ000002", "", "SZ000001", false);
        row("CUSTOM, listed market, stock not listed", "SH,CUSTOM", "SZ000002", "", "SH600000",
            true);
        row("CUSTOM alone, no stocks", "CUSTOM", "", "", "SZ000001", false);
        row("name listed", "", "", kRocket + "," + dive, "SZ000001", true);
        row("name not listed", "", "", dive, "SZ000001", false);
        row("market kept, name not", "SZ", "", dive, "SZ000001", false);
        row("prefix is two letters", "SZ0", "", "", "SZ000001", false);
    }

    void filterRules() {
        QFETCH(QString, markets);
        QFETCH(QString, stocks);
        QFETCH(QString, names);
        QFETCH(QString, code);
        QFETCH(bool, kept);
        const ShortLineSignal signal = MakeSignal(code, kRocket, 1);
        QCOMPARE(SignalFilter(markets, stocks, names).Keeps(signal), kept);
        ScopeTreeNode target = Target(markets, stocks, names);
        QVERIFY(shortline::JoinSignalList(target, Child(Answer({signal}))));
        QCOMPARE(Data(target).rows.size(), kept ? 1 : 0);
    }

    void listMergesByOrder() {
        ScopeTreeNode target = Target();
        const auto first = Answer({MakeSignal("SZ000001", "A", 5), MakeSignal("SZ000001", "A", 1),
                                   MakeSignal("SZ300750", "A", 3, -1)});
        QVERIFY(shortline::JoinSignalList(target, Child(first)));
        QCOMPARE(Column(target, "order"), (QStringList{"1", "3", "5"}));
        const DataRow row = Data(target).rows.value(1);
        QCOMPARE(row.Names(), (QStringList{"order", "signal_description", "signal_time",
                                           "signal_type_deal_direction", "signal_type_name",
                                           "stock_code", "stock_name"}));
        QCOMPARE((QList<UnsharedDataCell>{row.Get("order"), row.Get("signal_type_deal_direction")}),
                 (QList<UnsharedDataCell>{UnsharedDataCell::FromInteger(3),
                                          UnsharedDataCell::FromInteger(-1)}));
        QCOMPARE(row.Get("signal_time").ToDateTime().date(), QDate(1900, 1, 1));
        QCOMPARE(row.Get("signal_time").ToDateTime().time(), QTime(9, 30, 5, 120));
        QCOMPARE(
            (QStringList{row.Get("signal_time").DisplayText(), row.Get("stock_name").ToString(),
                         row.Get("signal_description").ToString()}),
            (QStringList{"09:30:05", "NSZ300750", "d3"}));
        const QSharedPointer<QuoteData> before = target.quote_data;
        auto second = Answer({MakeSignal("SH600000", "B", 6), MakeSignal("SH600000", "B", 3),
                              MakeSignal("SH600000", "B", 2), MakeSignal("SH600000", "C", 2)});
        QVERIFY(shortline::JoinSignalList(target, Child(second)));
        QCOMPARE(Column(target, "order"), (QStringList{"1", "2", "3", "5", "6"}));
        QCOMPARE(Column(target, "signal_type_name"), (QStringList{"A", "C", "B", "A", "B"}));
        QCOMPARE(Column(target, "stock_code")[2], QString("SH600000"));
        QCOMPARE(dynamic_cast<const BaseQuoteData&>(*before).rows.size(), 3);
        QVERIFY(Data(target).base_row.Contains("market_list"));
        QCOMPARE(Data(target).sources.value("10016"), QSharedPointer<QuoteData>(second));
    }

    // 20000 rows are kept whole; past them the lowest orders go, also a new one.
    void listKeepsTheHighest20000Orders() {
        const auto orders = [](const ScopeTreeNode& node) {
            const QList<DataRow>& rows = Data(node).rows;
            return QList<qint64>{rows.size(), rows.first().Get("order").ToInt64(),
                                 rows.last().Get("order").ToInt64()};
        };
        QVector<ShortLineSignal> list;
        for (int order = 20000; order >= 1; --order)  // sorted by the join
            list.append(MakeSignal("SZ000001", "A", quint32(order)));
        ScopeTreeNode target = Target();
        QVERIFY(shortline::JoinSignalList(target, Child(Answer(list))));
        QCOMPARE(orders(target), (QList<qint64>{20000, 1, 20000}));
        QVERIFY(shortline::JoinSignalList(
            target,
            Child(Answer({MakeSignal("SZ000001", "B", 0), MakeSignal("SZ000001", "B", 20001)}))));
        QCOMPARE(orders(target), (QList<qint64>{20000, 2, 20001}));
    }

    void statisticsPerTypeAndDirection() {
        auto types = QSharedPointer<ResponsePkgEntity_10015>::create();
        types->types = {MakeType("1", "A", 1), MakeType("2", "B", 1), MakeType("3", "C", 2)};
        ScopeTreeNode typeChild(ScopeTypeVariant("qz_lv2_quoter_10015"));
        typeChild.quote_data = types;
        ScopeTreeNode target = Target("SZ");
        const auto signalList =
            Answer({MakeSignal("SZ000001", "A", 1, 1), MakeSignal("SZ000001", "A", 2, -1),
                    MakeSignal("SZ000002", "A", 3, 0), MakeSignal("SZ000001", "B", 4, 2),
                    MakeSignal("SH600000", "B", 5, -1)});  // filtered out
        QVERIFY(shortline::JoinSignalStatistics(target, Child(signalList)));
        QVERIFY(Data(target).rows.isEmpty());
        QCOMPARE(Data(target).sources.value("10016").dynamicCast<ResponsePkgEntity_10016>()->count,
                 4);
        QVERIFY(shortline::JoinSignalStatistics(target, typeChild));
        // Directions -1, 0, 1, 2 for every type; the non-positive ones count the sell side.
        QStringList rows;
        for (const DataRow& row : Data(target).rows) {
            rows << row.Get("signal_type_code").ToString() + ":" +
                        row.Get("signal_type_deal_direction").Key() + ":" +
                        row.Get("signal_type_deal_direction").DisplayText() + ":" +
                        row.Get("signal_type_statistics").DisplayText();
        }
        const QString buy = QString::fromUtf8("买"), sell = QString::fromUtf8("卖");
        QStringList expected;
        for (const QString& counts : {QString("2,2,1,1"), QString("0,0,1,1"), QString("0,0,0,0")}) {
            const QString type = QString::number(expected.size() / 4 + 1);
            const QStringList c = counts.split(',');
            expected << type + ":-1:" + sell + ":" + c[0] << type + ":0:" + sell + ":" + c[1]
                     << type + ":1:" + buy + ":" + c[2] << type + ":2:" + buy + ":" + c[3];
        }
        QCOMPARE(rows, expected);
        QCOMPARE(Data(target).rows[0].Get("signal_type_group_name"),
                 UnsharedDataCell::FromTranslater("1", "G1"));
    }

    // Two resolvers register each child type: the join must follow the target node's kind.
    void registeredJoinsFollowTheTargetsKind() {
        QzLv2ShortLineSignalStatisticsScopeResolver statistics(nullptr);
        statistics.Init();
        const JoinMethodValue signalJoin = statistics.GetJoinMethodList().value(1);
        QCOMPARE(signalJoin.Key().ChildType(), ScopeTypeVariant("qz_lv2_quoter_10016"));
        ScopeTreeNode list = Target();
        QVERIFY(signalJoin.Run(list, Child(Answer({MakeSignal("SZ000001", "A", 9)}))));
        QCOMPARE(Column(list, "order"), QStringList{"9"});
        ScopeTreeNode counts = Target();
        counts.key_list = KeyListExpression::FromKeyList("signal_type_statistics");
        QVERIFY(signalJoin.Run(counts, Child(Answer({MakeSignal("SZ000001", "A", 9)}))));
        QVERIFY(Data(counts).rows.isEmpty());  // waits for the catalogue
        QVERIFY(Data(counts).sources.contains("10016"));
    }

    // Keys asked -> which resolver takes the node, and the children's API types.
    void resolversSplitByKeys_data() {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("resolver");
        QTest::addColumn<QStringList>("children");
        const auto row = [](const char* name, const char* keys, const char* resolver,
                            const QStringList& children) {
            QTest::newRow(name) << QString(keys) << QString(resolver) << children;
        };
        row("no keys", "", "list", {"10016"});
        row("signal columns", "order,stock_code,signal_time", "list", {"10016"});
        row("statistics", "signal_type_name,signal_type_statistics", "statistics",
            {"10015", "10016"});
        row("type columns", "signal_type_code,signal_type_name", "types", {"10015"});
        row("type and signal columns", "signal_type_name,order", "list", {"10016"});
    }

    void resolversSplitByKeys() {
        QFETCH(QString, keys);
        QFETCH(QString, resolver);
        QFETCH(QStringList, children);
        QzLv2ShortLineSignalListScopeResolver list(nullptr);
        QzLv2ShortLineSignalStatisticsScopeResolver statistics(nullptr);
        QzLv2ShortLineSignalTypeListScopeResolver types(nullptr);
        const QList<QPair<QString, ScopeResolver*>> resolvers = {
            {"list", &list}, {"statistics", &statistics}, {"types", &types}};
        ScopeTreeNode node = ScopeTreeNode::NewRoot(ScopeTypeVariant(kQuery));
        node.key_list = KeyListExpression::FromKeyList(keys);
        node.params.insert("plate_list", "SH,SZ");
        node.quote_level = 2;
        for (const auto& entry : resolvers) {
            entry.second->Init();
            ScopeResolveResult result;
            const bool accepted = entry.second->Resolve(result, node);
            QCOMPARE(accepted, entry.first == resolver);
            if (!accepted)
                continue;
            QStringList apiTypes;
            for (const ScopeTreeNode& child : result.fetch_nodes) {
                apiTypes << child.api_type.ToQString();
                QCOMPARE(child.scope_type.ToQString(), "qz_lv2_quoter_" + apiTypes.last());
                QCOMPARE(child.params.value("plate_list").toString(), QString("SH,SZ"));
                QCOMPARE(child.quote_level, 2);
            }
            QCOMPARE(apiTypes, children);
        }
    }

    void typeCatalogueAskedOnceForEveryNodeThenAnswered() {
        const auto call = h_.Make<QzLv2RemoteApiCall_10015>();
        QVERIFY(h_.accessor->IsSerial(10015));
        const ScopeTreeNode first = CallNode();
        call->AttachNode(first);
        HostClock::AdvanceForTest(5);
        call->AttachNode(CallNode());  // the same topic, made later: no second request
        const ServerRequest request = h_.WaitForRequestOf(10015, 1);
        QCOMPARE(Flatten(request.params), (QStringList{"Int16U=1", "Int32U=1"}));
        QCOMPARE(int(request.flags), 0);
        QVERIFY(request.context.isNull());
        QCOMPARE(h_.RequestsOf(10015).size(), 1);

        QVERIFY(h_.backend->Answer(request, TypeBody(1, {{"1", 1, "G", "T", 3}})));
        const QList<QuoteTaskExecMidResult> results = h_.Take(2);
        QCOMPARE(results.size(), 2);
        QCOMPARE(results[0].scope_id, first.scope_id);

        ExpectWarning("lv2-10015", "DecodeSignalTypeBody");
        QVERIFY(!call->HandleBody(TypeBody(0, {}, 9)));
        const ScopeTreeNode late = CallNode();
        call->AttachNode(late);
        QCOMPARE(h_.Queued(), 1);
        QCOMPARE(h_.Next().scope_id, late.scope_id);
    }

    void signalAnswersReachTheirTopicOnly() {
        const auto call = h_.Make<QzLv2RemoteApiCall_10016>();
        const ScopeTreeNode sh = CallNode("SH", 1);
        const ScopeTreeNode sz = CallNode("SZ", 1);
        call->AttachNode(sh);
        call->AttachNode(sz);
        const ServerRequest shRequest = h_.WaitForRequestOf(10016, 1);
        QCOMPARE(h_.WaitForRequestOf(10016, 2).context->keyGroup.Value("plate_list").ToString(),
                 QString("SZ"));
        ExpectWarning("lv2-10016", "DecodeSignalBody: read of \\d+ bytes at offset 26");
        QVERIFY(h_.backend->Answer(
            shRequest, SignalBody(3, {{"SZ300750", "N", "R", 3, 1, 93005120, "D"}}, 1000)));
        QVERIFY(h_.backend->Answer(shRequest,
                                   SignalBody(3, {{"SZ300750", "N", "R", 3, 1, 93005120, "D"}})));
        QCOMPARE(h_.Next().scope_id, sh.scope_id);
        QTRY_COMPARE_WITH_TIMEOUT(call->Cache().Keys(),
                                  QList<ResponsePkgTopic_10016>{ResponsePkgTopic_10016(1, "SH")},
                                  kWaitMs);
        QCOMPARE(h_.Queued(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSignals)
#include "tst_signals.moc"
