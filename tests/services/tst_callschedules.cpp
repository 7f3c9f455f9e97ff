// Every call's clock and memory, seen from the server's side: when its requests go out (first
// subscriber, re-requests, polls, push-list refreshes and purges, the linger after the last
// subscriber, the recent-request windows), all fired by the host timer queue on the frozen host
// clock, and how many topics its cache keeps and which one it drops. The periods, lingers and
// capacities are written here as the calls are meant to have them, not read from the code.
#include <QtTest>

#include <functional>
#include <memory>

#include "host/core/HostClock.h"
#include "host/core/HostTimerQueue.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12930.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12932.h"
#include "services/capitalflow/QzLv2RemoteApiCall_12973.h"
#include "services/deals/QzLv2RemoteApiCall_12915.h"
#include "services/deals/QzLv2RemoteApiCall_12917.h"
#include "services/fastquote/QzLv2RemoteApiCall_12989.h"
#include "services/largedeals/QzLv2RemoteApiCall_12990.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12842.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12844.h"
#include "services/minuteflow/QzLv2RemoteApiCall_12988.h"
#include "services/signals/QzLv2RemoteApiCall_10015.h"
#include "services/signals/QzLv2RemoteApiCall_10016.h"
#include "services/stockboard/QzLv2RemoteApiCall_10002.h"
#include "services/stockboard/QzLv2RemoteApiCall_10012.h"
#include "services/stockboard/QzLv2RemoteApiCall_12755_Stock_Related.h"
#include "tests/services/CallTestSupport.h"
#include "tests/services/HandLaid.h"

using namespace calltest;

namespace {

constexpr int kPushList = 10000;  // the push-list function of the 10002 call

// The smallest good answer of each function to a request for `code`, laid from its table.
QByteArray AnswerBody(int function, const QString& code, bool snapshotKind) {
    HandLaid b;
    switch (function) {
        case 12989:
            return fastquotebody::Body(code, {}, {}, 0);
        case 12915:  // 4 + 4, i32 day volume, i16 N
            return b.u32(1).u32(2).i32(0).i16(0).bytes();
        case 12917:  // 4 + 4, code, i32, u8, u8, bid i32 i32 u16 0, u8, ask i32 i32 u16 0
            b.u32(1).u32(2).str(code).i32(0).u8(0).u8(0);
            return b.i32(1).i32(0).u16(0).u8(0).i32(2).i32(0).u16(0).bytes();
        case 12930:  // 62 bytes: 4 + 4, then four i32, i16 ddx, nine i32
            b.u32(1).u32(2).i32(1).i32(2).i32(3).i32(4).i16(5);
            for (int i = 0; i < 9; ++i)
                b.i32(i);
            return b.bytes();
        case 12932:  // 4 + 4, code, 4, u16 mask
            return b.u32(1).u32(2).str(code).u32(3).u16(0).bytes();
        case 12973:  // 4 + 4, u16 mask
            return b.u32(1).u32(2).u16(0).bytes();
        case 12842:
            return flowbody::MinuteHead(code, 0x01, 0).bytes();
        case 12844:
            return flowbody::KlineHead(code, 0x01, 0).bytes();
        case 12988:
            return flowbody::IndicatorHead(code, 0).bytes();
        case 12990:  // 4 + 4, code, u16, i32 first sequence, u16 N = 1, one 44-byte record
            b.u32(1).u32(2).str(code).u16(0).i32(1).u16(1).u32(93000).i32(1000).i32(100);
            return b.i64(0).i64(0).i32(60).i32(40).i32(0).i32(0).bytes();
        case 10015:  // three i32 (flags last), u16 count
            return b.i32(0).i32(0).i32(0).u16(0).bytes();
        case 10016:  // i32 A, B, flags, 2 bytes, i32 C, D, i32 count
            return b.i32(0).i32(0).i32(0).u16(0).i32(0).i32(0).i32(0).bytes();
        case 10002:  // one record: mask 1 with the code, and bit 0x20 (2 bytes) for a snapshot
            b.header14().u16(1).u32(snapshotKind ? 0x21 : 0x1).u32(0).u32(0).str(code);
            return (snapshotKind ? b.u16(7) : b).bytes();
        case 10012:  // one record: code, mask 0
            return b.header14().u16(1).str(code).u32(0).bytes();
        case 12755:
            return StockRelatedBody(code, 107, 0, 0);
        default:
            return {};  // 10000: its answer says nothing
    }
}

// The code a request asks for: its "String" parameter, else its last non-empty "Strings" one.
QStringList CodesOf(const ServerRequest& request) {
    QStringList codes;
    for (const auto& p : request.params) {
        if (p.first == "String")
            return {p.second.toString()};
        if (p.first == "Strings" && !p.second.toStringList().isEmpty())
            codes = p.second.toStringList();
    }
    return codes;
}

// Codes of the keys a cache holds, most recently used first.
QString CodeOfKey(const QString& key) {
    return key;
}
QString CodeOfKey(const ResponsePkgTopic_10016& key) {
    return key.PlateList();
}
QString CodeOfKey(const ResponsePkgTopic_10015&) {
    return "*";
}
template <typename Key>
QString CodeOfKey(const Key& key) {
    return key.Code();
}

struct Made {
    std::unique_ptr<RemoteApiCall> call;
    std::function<QStringList()> cachedCodes;
};

// How a call is made and addressed: the API type and shape of its nodes.
struct Kind {
    QString api;
    std::function<void(ScopeTreeNode&)> shape;
    Made (*make)(Harness&) = nullptr;
};

template <typename Call>
Made MakeCall(Harness& h) {
    auto call = h.Make<Call>();
    Call* raw = call.get();
    return {std::move(call), [raw] {
                QStringList codes;
                for (const auto& key : raw->Cache().Keys())
                    codes << CodeOfKey(key);
                return codes;
            }};
}

const QMap<QString, Kind>& Kinds() {
    static const QMap<QString, Kind> kinds = [] {
        const auto plain = [](ScopeTreeNode&) {};
        const auto cycle = [](const char* c) { return [c](ScopeTreeNode& n) { n.cycle = c; }; };
        const auto variant = [](const char* v) {
            return [v](ScopeTreeNode& n) { n.variant = QString(v); };
        };
        QMap<QString, Kind> k;
        k["12989"] = {"12989", plain, &MakeCall<QzLv2RemoteApiCall_12989>};
        k["12915"] = {"12915", plain, &MakeCall<QzLv2RemoteApiCall_12915>};
        k["12917"] = {"12917", plain, &MakeCall<QzLv2RemoteApiCall_12917>};
        k["12930"] = {"12930", plain, &MakeCall<QzLv2RemoteApiCall_12930>};
        k["12932"] = {"12932", plain, &MakeCall<QzLv2RemoteApiCall_12932>};
        k["12973"] = {"12973", plain, &MakeCall<QzLv2RemoteApiCall_12973>};
        k["12842"] = {"12842", cycle("1min"), &MakeCall<QzLv2RemoteApiCall_12842>};
        k["12842 no cycle"] = {"12842", plain, &MakeCall<QzLv2RemoteApiCall_12842>};
        k["12844"] = {"12844", cycle("week"), &MakeCall<QzLv2RemoteApiCall_12844>};
        k["12988"] = {"12988", plain, &MakeCall<QzLv2RemoteApiCall_12988>};
        k["12990"] = {"12990", variant("ddts"), &MakeCall<QzLv2RemoteApiCall_12990>};
        k["12990 paged"] = {"12990", variant("cjmx"), &MakeCall<QzLv2RemoteApiCall_12990>};
        k["10015"] = {"10015", plain, &MakeCall<QzLv2RemoteApiCall_10015>};
        const auto plates = [](int level) {
            return [level](ScopeTreeNode& n) {
                n.params.insert("plate_list", n.stock_list.GetStockCode());
                n.quote_level = level;
            };
        };
        k["10016"] = {"10016", plates(1), &MakeCall<QzLv2RemoteApiCall_10016>};
        k["10016 level 2"] = {"10016", plates(2), &MakeCall<QzLv2RemoteApiCall_10016>};
        k["10002"] = {"10002", plain, &MakeCall<QzLv2RemoteApiCall_10002>};
        k["10001"] = {"10001", plain, &MakeCall<QzLv2RemoteApiCall_10002>};
        k["10000"] = {"10000", plain, &MakeCall<QzLv2RemoteApiCall_10002>};
        k["10012"] = {"10012", plain, &MakeCall<QzLv2RemoteApiCall_10012>};
        k["12755"] = {"12755_stock_related", plain,
                      &MakeCall<QzLv2RemoteApiCall_12755_Stock_Related>};
        return k;
    }();
    return kinds;
}

// The codes the schedule rows name by letter.
const QMap<QString, QString> kLetters{{"SH600000", "A"}, {"SZ000001", "B"}, {"SZ300750", "C"}};

// "A" for a request of SH600000, "L[A,B]" for a push list, "*" for a request naming no code.
QString Label(const ServerRequest& request) {
    QStringList letters;
    for (const QString& code : CodesOf(request))
        letters << kLetters.value(code, code);
    if (request.funcId == kPushList)
        return "L[" + letters.join(',') + "]";
    return letters.isEmpty() ? "*" : letters.join(',');
}

}  // namespace

class TestCallSchedules : public CallTest {
    Q_OBJECT

private slots:
    // A script of attaches (+) and detaches (-) of nodes on codes A, B, C at ms after the calls
    // start, played to `until` ms; the requests asked, as "code@ms", in the order they went out.
    // Between events every timer fires at its due time, and every request is answered (or not)
    // before the clock moves on.
    void requestsGoOutOnTheCallsClock_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QString>("script");
        QTest::addColumn<int>("until");
        QTest::addColumn<QString>("asked");
        const auto row = [](const char* name, const char* kind, bool answered, const char* script,
                            int until, const char* asked) {
            QTest::newRow(name) << QString(kind) << answered << QString(script) << until
                                << QString(asked);
        };
        const char* every3s = "A@500 A@3000 A@6000 A@9000 A@12000";
        const char* every10s = "A@500 A@10000 A@20000 A@30000";
        const char* linger3s = "A@500 B@500 A@3000 B@3000 A@6000";
        const char* linger10s = "A@500 B@500 A@10000 B@10000 A@20000";

        // Asked once by the first subscriber; the server pushes the rest.
        row("12989 asked once", "12989", true, "+A500", 31000, "A@500");
        row("12755 asked once", "12755", true, "+A500", 31000, "A@500");
        row("12755 asked by every first subscriber, cached or not", "12755", true,
            "+A500 -A600 +A700", 1000, "A@500 A@700");
        // Polled while attached, answered or not.
        row("12915 polled every 10000 ms", "12915", false, "+A500", 31000, every10s);
        row("12930 polled every 3000 ms", "12930", false, "+A500", 12000, every3s);
        row("12932 polled every 3000 ms", "12932", false, "+A500", 12000, every3s);
        row("12973 polled every 3000 ms", "12973", false, "+A500", 12000, every3s);
        // 12917: a tick 3000 ms after the last request is held back (not strictly older).
        row("12917 polled at every other 3000 ms tick", "12917", false, "+A500", 31000,
            "A@500 A@6000 A@12000 A@18000 A@24000 A@30000");
        row("12917 attached between ticks: asked at the first tick 3000 ms after", "12917", false,
            "+A4000", 16000, "A@4000 A@9000 A@15000");
        // Driver calls: requested until answered, then polled.
        for (const char* kind : {"12988", "12990", "10016", "10012", "10002"}) {
            for (bool answered : {false, true}) {
                row(qPrintable(QString(kind) + (answered ? " polled" : " requested again") +
                               " every 3000 ms"),
                    kind, answered, "+A500", 12000, every3s);
            }
        }
        for (bool answered : {false, true}) {
            row(answered ? "10015 polled every 3000 ms" : "10015 requested again every 3000 ms",
                "10015", answered, "+A500", 12000, "*@500 *@3000 *@6000 *@9000 *@12000");
            row(answered ? "12842 polled every 10000 ms" : "12842 requested again every 10000 ms",
                "12842", answered, "+A500", 31000, every10s);
            row(answered ? "12844 polled every 10000 ms" : "12844 requested again every 10000 ms",
                "12844", answered, "+A500", 31000, every10s);
        }
        // Push kind: once answered it is pushed; the push list is re-sent every 25000 ms.
        row("10001 answered joins the push list, refreshed every 25000 ms", "10001", true, "+A500",
            51000, "A@500 L[A]@500 L[A]@25000 L[A]@50000");
        row("10001 unanswered requested every 3000 ms, empty push list refreshed", "10001", false,
            "+A500", 25000,
            "A@500 A@3000 A@6000 A@9000 A@12000 A@15000 A@18000 A@21000 A@24000 L[]@25000");

        // The last subscriber gone, a topic lingers 2000 ms: A, left 1999 ms before a tick, is
        // asked there; B, left 2000 ms before it, is not.
        for (const char* kind : {"12988", "12990", "10016", "10012", "10002"})
            row(qPrintable(QString(kind) + " lingers 2000 ms"), kind, true,
                "+A500 +B500 -B4000 -A4001", 10000, linger3s);
        row("12917 lingers 2000 ms", "12917", true, "+A500 +B500 -B4000 -A4001", 10000,
            "A@500 B@500 A@6000");
        for (const char* kind : {"12915", "12842", "12844"})
            row(qPrintable(QString(kind) + " lingers 2000 ms"), kind, true,
                "+A500 +B500 -B18000 -A18001", 31000, linger10s);
        row("10015 asked 1999 ms after its last subscriber left", "10015", true, "+A500 -A4001",
            10000, "*@500 *@3000 *@6000");
        row("10015 not asked 2000 ms after its last subscriber left", "10015", true, "+A500 -A4000",
            10000, "*@500 *@3000");
        for (const char* kind : {"12930", "12932", "12973"})
            row(qPrintable(QString(kind) + " stops at once"), kind, true, "+A500 +B500 -A5999",
                7000, "A@500 B@500 A@3000 B@3000 B@6000");
        // A push topic left lingers in the push list: B goes at the purge tick at 6000 (2000 ms
        // after it left), A, left 1 ms later, at the purge tick after (every 2000 ms).
        row("10001 push list purged 2000 ms after the last subscriber left", "10001", true,
            "+A500 +B500 -B4000 -A4001", 10000,
            "A@500 L[A]@500 B@500 L[A,B]@500 L[A]@6000 L[]@8000");

        // Back within the linger: a cached topic rejoins its set (polled, or kept in the push
        // list without a list request; a purge on the way is announced), an unanswered one is
        // asked again.
        row("10002 back within its linger: polled on", "10002", true, "+A500 -A1000 +A2000", 3000,
            "A@500 A@3000");
        row("10002 unanswered, back within its linger: asked at once", "10002", false,
            "+A500 -A1000 +A2000", 3000, "A@500 A@2000 A@3000");
        row("10001 back within its linger: still pushed", "10001", true, "+A500 -A1000 +A2000",
            10000, "A@500 L[A]@500");
        row("10001 back within its linger, another purged on the way", "10001", true,
            "+A500 +B500 -A4001 -B4500 +A6700", 10000, "A@500 L[A]@500 B@500 L[A,B]@500 L[A]@6700");

        // A first subscriber's request waits while one for the code is 3000 ms old or younger:
        // A (asked at 500) is held back at 3500, B (asked at 499) is asked again.
        row("12989 first subscriber after 3000 ms / 3001 ms", "12989", true,
            "+B499 +A500 -A600 -B600 +A3500 +B3500", 4000, "B@499 A@500 B@3500");
        row("12990 first subscriber after 3000 ms / 3001 ms", "12990", true,
            "+B499 +A500 -A600 -B600 +A3500 +B3500", 4000, "B@499 A@500 B@3500");
        // C's attach drops the lingering A and B from the attached set (it purges).
        for (const char* kind : {"12915", "12917"})
            row(qPrintable(QString(kind) + " first subscriber after 3000 ms / 3001 ms"), kind, true,
                "+B499 +A500 -A600 -B600 +C2700 +A3500 +B3500", 4000, "B@499 A@500 C@2700 B@3500");
        // A 12990 tick holds back only for a request 1500 ms old or younger.
        row("12990 tick 1500 ms / 1501 ms after a first subscriber's request", "12990", true,
            "+B1499 +A1500", 3100, "B@1499 A@1500 B@3000");
    }

    void requestsGoOutOnTheCallsClock() {
        QFETCH(QString, kind);
        QFETCH(bool, answered);
        QFETCH(QString, script);
        QFETCH(int, until);
        QFETCH(QString, asked);
        const Kind& k = Kinds()[kind];
        const Made made = Make(k);
        QMap<QString, QList<ScopeTreeNode>> nodes;  // letter -> its attached nodes
        for (const QString& step : script.split(' ')) {
            const QString letter = step.mid(1, 1);
            StepTo(step.mid(2).toInt(), k, answered);
            if (step.startsWith('+')) {
                ScopeTreeNode node = NodeFor(kLetters.key(letter), k.api);
                k.shape(node);
                nodes[letter] << node;
                made.call->AttachNode(node);
            } else {
                made.call->DetachNode(nodes[letter].takeLast());
            }
            Settle(k, answered);
        }
        StepTo(until, k, answered);
        QMutexLocker locker(&mutex_);
        QCOMPARE(log_.join(' '), asked);
    }

    // The request a node's attach sends: its flags (0x80 for Level-2 data the call asks for),
    // parameters and context ("-": none), the timestamp in it an integer.
    void requestsCarryTheirParameters_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("params");
        QTest::addColumn<QString>("context");
        const auto row = [](const char* kind, const char* code, int flags, const QString& params,
                            const QString& context) {
            QTest::newRow(qPrintable(QString("%1 %2").arg(kind, code)))
                << QString(kind) << QString(code) << flags << QString(params).replace("%1", code)
                << QString(context).replace("%1", code).replace("%2", QString::number(kStartMs));
        };
        const QString seccode = "seccode=%1 timestamp=%2";
        row("12989", "SZ000001", 0,
            "String=%1 Int16U=10 Int16U=0 Int16U=0 Int16U=3 Int08=1 Int08=4",
            "stock_code=%1 index=0 count=10 timestamp=%2");
        row("12915", "SH600000", 0, "String=%1", seccode);
        row("12917", "SH600000", 0, "String=%1 Int32=0", seccode);
        row("12930", "SZ300750", 0, "String=%1", seccode);
        row("12932", "BK0475", 0, "String=%1 Int16=1", seccode);
        row("12973", "BK0475", 0, "Int16=15 String=%1", seccode);
        const QString flow = " secxrcode=xrtype_none charcode=kline revindex=0";
        row("12842 no cycle", "SH600000", 0, "String=%1 Int16=0 Int08U=255",
            "seccode=%1 cyclecode=1min" + flow + " timestamp=%2");
        row("12844", "SH600000", 0, "String=%1 Int08U=7 Int32U=0 Int16U=200 Int08U=63 Int08U=255",
            "seccode=%1 cyclecode=week" + flow + " revcount=200 timestamp=%2");
        row("12988", "SH600000", 0, "String=%1 Int16=0 Int16=-1", "stock_code=%1");
        row("12990", "SZ300750", 0, "String=%1 Int32=0 Int16=1 Int16=2",
            "stock_code=%1 ind_name=ddts flag=2 index=0 count=0 timestamp=%2");
        // The plate list's empty items are left out; level 2 asks the long form.
        const QString plates = "Int32U=0 Int32U=200 Int08U=0 Strings= Strings=SH|SZ|CUSTOM Int08U=";
        const QString platesContext = "index=0 count=200 timestamp=%2 plate_list=%1";
        row("10016", "SH,SZ,,CUSTOM", 0, plates + "1 Int32U=3", "quote_level=1 " + platesContext);
        row("10016 level 2", "SH,SZ,,CUSTOM", 0, plates + "2 Int32U=3 Int08=1 Int08=4",
            "quote_level=2 " + platesContext);
        const QString snapshot = "Int16U=0 Int16U=0 Strings=%1 ";
        const QString snapshotKind = snapshot + "Int32U=1612705839 Int32U=540966474 Int32U=20484";
        row("10001", "SZ000001", 0x80, snapshot + "Int32U=425725919 Int32U=1614808085 Int32U=16384",
            "-");
        row("10002", "SH600000", 0x80, snapshotKind, "-");
        row("10002", "HK00700", 0, snapshotKind, "-");  // no Level-2 data
        row("10000", "SH600000", 0x80, snapshot + "Int32U=0 Int32U=0 Int32U=0", "-");
        const QString dataSet = "Int16U=0 Int16U=1 Strings=%1 Int32U=%2 Int32U=0 Int32U=0";
        row("10012", "SZ000001", 0x80, dataSet.arg("%1", "3616"), "-");  // 0xE20
        row("10012", "HH600000", 0, dataSet.arg("%1", "1024"), "-");     // 0x400
        row("10012", "SO10000001", 0, dataSet.arg("%1", "32"), "-");     // 0x20
        row("12755", "SZ300750", 0, "Int16=107 Int32=1073742848 Int32=32 Int32=0 Strings=%1", "-");
    }

    void requestsCarryTheirParameters() {
        QFETCH(QString, kind);
        QFETCH(QString, code);
        QFETCH(int, flags);
        QFETCH(QString, params);
        QFETCH(QString, context);
        const Kind& k = Kinds()[kind];
        const Made made = Make(k);
        ScopeTreeNode node = NodeFor(code, k.api);
        k.shape(node);
        made.call->AttachNode(node);
        QTRY_VERIFY_WITH_TIMEOUT(!h_.backend->Requests().isEmpty(), kWaitMs);
        const QList<ServerRequest> requests = h_.backend->Requests();
        QCOMPARE(requests.size(), 1);
        const ServerRequest& r = requests[0];
        QCOMPARE(int(r.flags), flags);
        QCOMPARE(Flatten(r.params).join(' '), params);
        QCOMPARE(r.context ? ContextKeys(r).join(' ') : QString("-"), context);
        if (context.contains("timestamp="))
            QCOMPARE(r.context->keyGroup.Value("timestamp").ToDataCell(),
                     nscell::UnsharedDataCell::FromInteger(kStartMs));
    }

    // A cache full of `capacity` topics takes one more by dropping the least recently used one;
    // replaying a topic to a late subscriber is a use. Topics 0..capacity-1 are answered, topic 0
    // gets a second subscriber, topic `capacity` is answered: topic 1 goes.
    void cachesKeepTheirCapacity_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("capacity");  // 0: answers are not cached
        for (const char* kind : {"12989", "12915", "12917", "12930", "12932", "12973", "12842",
                                 "12844", "12990 paged"})
            QTest::newRow(kind) << QString(kind) << 10;
        for (const char* kind : {"10016", "10002", "10012", "12755"})
            QTest::newRow(kind) << QString(kind) << 100;
        QTest::newRow("12988") << QString("12988") << 0;
    }

    void cachesKeepTheirCapacity() {
        QFETCH(QString, kind);
        QFETCH(int, capacity);
        const Kind& k = Kinds()[kind];
        const Made made = Make(k);
        const auto code = [](int i) { return QString("SZ%1").arg(300000 + i); };
        const auto attach = [&](int i) {
            ScopeTreeNode node = NodeFor(code(i), k.api);
            k.shape(node);
            made.call->AttachNode(node);
            Settle(k, true);
        };
        for (int i = 0; i < qMax(capacity, 1); ++i)
            attach(i);
        attach(0);
        attach(qMax(capacity, 1));
        QStringList expected;  // most recently used first
        if (capacity > 0)
            expected << code(capacity) << code(0);
        for (int i = capacity - 1; i >= 2; --i)
            expected << code(i);
        QCOMPARE(made.cachedCodes(), expected);
    }

private:
    // The call of the kind (gone before the harness stops), with every request it sends logged as
    // "code@ms" and held for Settle.
    Made Make(const Kind& k) {
        h_.accessor->RegisterFuncAsSerial(12989);  // the quoter does it for the fast quote
        log_.clear();
        pending_.clear();
        h_.backend->SetResponder([this](IServerLink*, const ServerRequest& request) {
            QMutexLocker locker(&mutex_);  // the push list goes out from the accessor's thread
            log_ << Label(request) + "@" + QString::number(HostClock::NowMs() - kStartMs);
            pending_ << request;
        });
        return k.make(h_);
    }

    // Moves the host clock to `ms` after the start, letting every timer due on the way fire at
    // its time; the requests each firing sends are settled before the next.
    void StepTo(qint64 ms, const Kind& k, bool answered) {
        for (qint64 due = HostTimerQueue::NextDueMs(); due >= 0 && due <= kStartMs + ms;
             due = HostTimerQueue::NextDueMs()) {
            HostTimerQueue::AdvanceClockTo(due);
            Settle(k, answered);
        }
        HostTimerQueue::AdvanceClockTo(kStartMs + ms);
    }

    // Answers (or drops) every request sent so far, and what the answers lead to, in order.
    void Settle(const Kind& k, bool answered) {
        for (;;) {
            QList<ServerRequest> requests;
            {
                QMutexLocker locker(&mutex_);
                requests.swap(pending_);
            }
            if (requests.isEmpty())
                return;
            for (const ServerRequest& r : requests) {
                if (answered) {
                    const bool snapshotKind = k.api != "10001";
                    const QByteArray body = AnswerBody(r.funcId, CodesOf(r).value(0), snapshotKind);
                    QVERIFY(h_.backend->Answer(r, body));
                }
            }
            h_.Flush();
        }
    }

    QMutex mutex_;
    QStringList log_;               // guarded by mutex_
    QList<ServerRequest> pending_;  // guarded by mutex_
};

QTEST_GUILESS_MAIN(TestCallSchedules)
#include "tst_callschedules.moc"
