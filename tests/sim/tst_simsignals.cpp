// The simulated market's large deals and short-line signals: every large deal is a trade of at
// least 200 000 yuan with its volume on the aggressor's side; each signal kind's rule holds for
// the trades and states that raised it; and the server's 12990, 10015 and 10016 answers, read by
// the plug-in's own decoders, carry what the market holds, filtered by plate and window.
#include <QtTest>

#include "host/core/HostClock.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "services/signals/SignalDecoders.h"
#include "sim/market/LargeDealTape.h"
#include "sim/market/SignalDetector.h"
#include "sim/market/SimulatedMarket.h"
#include "sim/market/SimulatedMarketBackend.h"

using namespace simmarket;

namespace {

constexpr qint64 kMorning = 1700015400000;  // ms since the epoch
constexpr int kTicks = 1500;
constexpr int kTickMs = 500;

class RecordingLink : public IServerLink {
public:
    void Answer(const ServerRequest&, const QByteArray& b) override { bodies << b; }
    void Fail(const ServerRequest&, int, const QString&) override {}
    void Push(int, const QByteArray&) override {}
    void ReportAccessState(_enAccessState) override {}
    QList<QByteArray> bodies;
};

}  // namespace

class TestSimSignals : public QObject {
    Q_OBJECT

private slots:
    void init() { HostClock::SetForTest(kMorning); }
    void cleanup() { HostClock::UseSystemClock(); }

    // One morning feeds both the tape and the detector.
    void largeDealsAndSignalsFollowTheirRules() {
        SimulatedMarket market;
        LargeDealTape tape;
        SignalDetector detector;
        QList<Trade> large;
        QList<Trade> extraLarge;
        market.AddTradeListener([&](const Trade& t) {
            tape.Record(t, 2);
            if (t.amount >= LargeDealTape::kLargeDealFromYuan && t.code == "SZ300750")
                large << t;
            detector.OnTrade(t, *FindStock(t.code));
            if (t.size == OrderSize::ExtraLarge && t.side != TradeSide::Other)
                extraLarge << t;
        });
        QHash<QString, int> kinds;
        for (int i = 0; i < kTicks; ++i) {
            HostClock::AdvanceForTest(kTickMs);
            market.Step();
            const int before = int(detector.All().size());
            for (const QString& code : market.StockCodes())
                detector.AfterStep(*market.FindState(code), HostClock::NowMs());
            for (auto it = detector.All().begin() + before; it != detector.All().end(); ++it) {
                const StockState* state = market.FindState(it->stock_code);
                if (it->signal_type_name == QString::fromUtf8("封涨停板"))
                    QCOMPARE(state->Last(), state->Stock().LimitUp());
                if (it->signal_type_name == QString::fromUtf8("封跌停板"))
                    QCOMPARE(state->Last(), state->Stock().LimitDown());
                if (it->signal_type_name == QString::fromUtf8("火箭发射"))
                    QVERIFY(it->value_a >= SignalDetector::kSharpMovePermille);
                if (it->signal_type_name == QString::fromUtf8("创今日新高"))
                    QCOMPARE(it->value_a, state->High());
            }
        }
        QVERIFY(large.size() > 10);
        const QVector<LargeDealRecord> deals = tape.Page("SZ300750", 1, 100000);
        QCOMPARE(deals.size(), large.size());
        for (int i = 0; i < deals.size(); ++i) {
            QCOMPARE(deals[i].sequence, i + 1);
            QCOMPARE(deals[i].deal_price, large[i].price);
            QCOMPARE(deals[i].number, large[i].volume);
            QCOMPARE(deals[i].in_number, large[i].side == TradeSide::Buy ? large[i].volume : 0);
            QCOMPARE(deals[i].out_number, large[i].side == TradeSide::Sell ? large[i].volume : 0);
            QCOMPARE(deals[i].value_a, large[i].amount);
        }
        QCOMPARE(tape.Latest("SZ300750")->sequence, large.size());
        QCOMPARE(tape.Page("SZ300750", 0, 3), deals.mid(deals.size() - 3));
        QCOMPARE(tape.Page("SZ300750", 5, 2), deals.mid(4, 2));
        QVERIFY(tape.Latest("SH999999") == nullptr);
        quint32 order = 0;
        int bigTrades = 0;
        for (const ShortLineSignal& s : detector.All()) {
            QVERIFY(s.order > order);
            order = s.order;
            kinds[s.signal_type_name] += 1;
            QVERIFY(!s.signal_description.isEmpty());
            QVERIFY(s.signal_time >= 0 && s.signal_time < 240000000);
            if (s.signal_type_name == QString::fromUtf8("大笔买入") ||
                s.signal_type_name == QString::fromUtf8("大笔卖出"))
                ++bigTrades;
        }
        // The big-trade signals are exactly the extra-large attributed trades.
        QCOMPARE(bigTrades, extraLarge.size());
        QVERIFY2(kinds.size() >= 6, qPrintable(QStringList(kinds.keys()).join(",")));
    }

    void serverAnswersDecodeToWhatTheMarketHolds() {
        SimulatedMarketBackend::Options options;
        options.timers = false;
        SimulatedMarketBackend backend(options);
        RecordingLink link;
        backend.Attach(&link);
        for (int i = 0; i < kTicks; ++i) {
            HostClock::AdvanceForTest(kTickMs);
            backend.Step();
        }
        const RequestParams shortForm = {{"Int32U", 0},
                                         {"Int32U", 50},
                                         {"Int08U", 0},
                                         {"Strings", QStringList()},
                                         {"Strings", QStringList{"SZ", "BK0475"}},
                                         {"Int08U", 2},
                                         {"Int32U", 3}};
        const QList<QPair<int, RequestParams>> requests = {
            {12990, {{"String", "SZ300750"}, {"Int32", 0}, {"Int16", 1}, {"Int16", 2}}},
            {12990, {{"String", "SZ300750"}, {"Int32", 2}, {"Int16", 3}, {"Int16", 1}}},
            {10015, {{"Int16U", 1}, {"Int32U", 1}}},
            {10016, shortForm},
            {10016, RequestParams(shortForm) << qMakePair(QString("Int08"), QVariant(1))
                                             << qMakePair(QString("Int08"), QVariant(4))}};
        for (const auto& request : requests) {
            ServerRequest r;
            r.funcId = request.first;
            r.params = request.second;
            backend.OnRequest(&link, r);
        }
        QCOMPARE(link.bodies.size(), 5);

        LargeDealRecord latest;
        QVector<LargeDealRecord> page;
        QVector<ShortLineSignal> expected;
        backend.ReadSignals([&](const LargeDealTape& tape, const SignalDetector& detector) {
            latest = *tape.Latest("SZ300750");
            page = tape.Page("SZ300750", 2, 3);
            expected = detector.Query({"SZ", "BK0475"}, 0, 50);
        });
        const auto latestAnswer = largedeal::DecodeLargeDealBody(link.bodies[0], 2);
        QVERIFY(latestAnswer.ok);
        QCOMPARE(latestAnswer.record->records.value(0), latest);
        const auto pageAnswer = largedeal::DecodeLargeDealBody(link.bodies[1], 1);
        QCOMPARE(pageAnswer.record->records, page);
        QCOMPARE(pageAnswer.record->first_sequence, 2);

        const auto types = signalwire::DecodeSignalTypeBody(link.bodies[2]);
        QCOMPARE(types.record->types.size(), 12);
        QSet<quint32> groups;
        for (const SignalType& t : types.record->types)
            groups << t.signal_type_group_code;
        QCOMPARE(groups.size(), 5);

        QVERIFY(!expected.isEmpty());
        for (int form : {3, 4}) {
            const auto signalAnswer = signalwire::DecodeSignalBody(link.bodies[form]);
            QVERIFY(signalAnswer.ok);
            const QVector<ShortLineSignal>& got = signalAnswer.record->signal_list;
            QCOMPARE(got.size(), expected.size());
            for (int i = 0; i < got.size(); ++i) {
                QVERIFY(got[i].stock_code.startsWith("SZ") || got[i].stock_code == "SH600000");
                QCOMPARE(got[i].order, form == 4 ? expected[i].order : expected[i].order & 0xFFFF);
                QCOMPARE(got[i].signal_description, expected[i].signal_description);
                QCOMPARE(got[i].value_c, form == 4 ? expected[i].value_c : 0u);
            }
        }
        backend.Detach(&link);
    }
};

QTEST_GUILESS_MAIN(TestSimSignals)
#include "tst_simsignals.moc"
