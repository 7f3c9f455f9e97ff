#pragma once

// A stock's screen as a stress test watches it: the views of every kind of live data, the kinds
// and the time each has to show fresh data after the link comes back, and a record of the fresh
// answers the plug-in's accessors received. Shared by the link-fault tests, in process and over
// TCP.

#include <QFile>
#include <QHash>
#include <QList>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QSharedPointer>
#include <QStringList>

#include <algorithm>
#include <memory>

#include "services/stockboard/StockSnapshotDecoder.h"
#include "sim/market/SimStock.h"
#include "tests/stress/StressRig.h"

namespace stress {

// The first nine are the market's own stocks, then the generated ones ("SH603001", ...).
inline QStringList WatchedCodes(int count) {
    constexpr int kListedStocks = 9;
    QStringList codes;
    for (const simmarket::SimStock& stock : simmarket::Stocks().mid(0, kListedStocks) +
                                                simmarket::GeneratedStocks(count - kListedStocks)) {
        codes << stock.code;
    }
    return codes;
}

// A kind of live data, by the server function that carries it, and the time after the last
// restore within which it must show fresh data: 5 s, or 10.5 s for the 10000 ms polls. 12915
// holds a poll back within 3000 ms of a newly attached view's request (a restore attaches the
// views again), so one of its 10000 ms polls may be lost: 13 s.
struct Kind {
    int function;
    int boundMs;
};
constexpr Kind kKinds[] = {{12989, 5000},  {10001, 5000}, {10002, 5000}, {12842, 10500},
                           {12915, 13000}, {12930, 5000}, {12990, 5000}};
constexpr int kLongestBoundMs = 13000;

inline int EnvInt(const char* name, int fallback) {
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok ? value : fallback;
}

// kB of the process's resident set now ("VmRSS") or at its peak ("VmHWM"); -1 when unknown.
inline long RssKb(const QString& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    const QRegularExpressionMatch m =
        QRegularExpression(field + ":\\s+(\\d+) kB")
            .match(status.open(QIODevice::ReadOnly) ? QString::fromLatin1(status.readAll())
                                                    : QString());
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}

// Every panel of a stock's screen as root nodes: the fast quote (a 12989 and a 10001 child),
// a board row whose key only 10002 serves, the minute flows, the price deals (scope type 10),
// the capital flow (17) and the latest large deal (18).
inline QSharedPointer<QuoteDataSourceIntent> MakeViews(int taskId, quint32 flags,
                                                       const QStringList& codes) {
    const QSharedPointer<QuoteDataSourceIntent> intent = MakeIntent(taskId, flags, codes, codes);
    ScopeTree& tree = *intent->GetScopeTree();
    for (const QString& code : codes) {
        for (const ScopeTypeVariant& type :
             {ScopeTypeVariant("minute_based_capital_flows"), ScopeTypeVariant(10),
              ScopeTypeVariant(17), ScopeTypeVariant(18)}) {
            ScopeTreeNode node = ScopeTreeNode::NewRoot(type);
            node.stock_list = StockListExpression::FromStockCode(code);
            tree.AddRoot(node);
        }
    }
    return intent;
}

using KindCode = QPair<int, QString>;  // (function, stock code)

// What the plug-in's accessors received since Arm, as (function, code): answers of 12989, 12842,
// 12915, 12930, 12990 and snapshot-kind 10002, and 10001 pushes; a body that does not decode (a
// spoilt one) is not counted. Its receivers sit beside the plug-in's own.
// Threads: the receivers run on the accessors' threads; one mutex guards the record.
class FreshAnswers {
public:
    explicit FreshAnswers(QzLv2Quoter& quoter) : state_(std::make_shared<State>()) {
        for (const Kind& kind : kKinds) {
            CHQOWNServerAccesser* accessor =
                kind.function == 12989 ? quoter.FastQuoteAccessor() : quoter.MainAccessor();
            const std::shared_ptr<State> state = state_;
            accessor->RegisterReceiver(
                ReceiverKey(kind.function, state.get()),
                [state](const Resp_s& resp) { state->Note(resp); }, nullptr);
        }
    }

    void Arm() {
        QMutexLocker lock(&state_->mutex);
        state_->armed = true;
        state_->received.clear();
    }
    bool Received(const KindCode& what) const {
        QMutexLocker lock(&state_->mutex);
        return state_->received.contains(what);
    }

private:
    struct State {
        void Note(const Resp_s& resp) {
            const QString code = CodeOf(resp);
            QMutexLocker lock(&mutex);
            if (armed && !code.isEmpty()) {
                received.insert(KindCode(resp.funcId, code));
            }
        }
        QMutex mutex;
        bool armed = false;
        QSet<KindCode> received;
    };

    static QString CodeOf(const Resp_s& resp) {
        if (resp.funcId == 10001 || resp.funcId == 10002) {
            const DecodeResult<StockSnapshot> decoded = DecodeStockSnapshotBody(resp.body);
            const bool counted =
                decoded.ok && decoded.record &&
                (resp.funcId == 10001 ? resp.isPush : decoded.record->mask1 & snapshot::kStockType);
            return counted ? decoded.record->code : QString();
        }
        if (resp.context.isNull()) {
            return QString();
        }
        const bool stockCode = resp.funcId == 12989 || resp.funcId == 12990;
        return resp.context->keyGroup.Value(stockCode ? "stock_code" : "seccode").ToString();
    }

    std::shared_ptr<State> state_;
};

// Which (kind, stock) pairs judged after a restore showed fresh data, and how many ms after it.
// Threads: the test's thread only.
class RecoveryTally {
public:
    void Judge(const QList<Kind>& kinds, const QSet<KindCode>& judged) {
        kinds_ = kinds;
        judged_ = judged;
        recovered_.clear();
    }
    // The first fresh delivery of a judged pair, `ms` after the restore.
    void Note(const KindCode& what, qint64 ms) {
        if (judged_.contains(what) && !recovered_.contains(what)) {
            recovered_.insert(what, ms);
        }
    }
    bool IsJudgedAndOpen(const KindCode& what) const {
        return judged_.contains(what) && !recovered_.contains(what);
    }
    bool AllRecovered() const { return recovered_.size() == judged_.size(); }

    // Per kind: "12989 30/30 500 ms" (recovered / judged, the slowest; "-" when none).
    QStringList Report() const {
        QStringList report;
        for (const Kind& kind : kinds_) {
            int judged = 0;
            int recovered = 0;
            qint64 slowest = -1;
            for (const KindCode& what : judged_) {
                if (what.first != kind.function) {
                    continue;
                }
                ++judged;
                if (recovered_.contains(what)) {
                    ++recovered;
                    slowest = std::max(slowest, recovered_.value(what));
                }
            }
            report << QStringLiteral("%1 %2/%3 %4 ms")
                          .arg(kind.function)
                          .arg(recovered)
                          .arg(judged)
                          .arg(slowest < 0 ? QStringLiteral("-") : QString::number(slowest));
        }
        return report;
    }

    // "kind code" of what did not show fresh data within its kind's bound.
    QStringList Late() const {
        QStringList late;
        for (const Kind& kind : kinds_) {
            for (const KindCode& what : judged_) {
                if (what.first == kind.function &&
                    recovered_.value(what, kind.boundMs + 1) > kind.boundMs) {
                    late << QStringLiteral("%1 %2").arg(what.first).arg(what.second);
                }
            }
        }
        late.sort();
        return late;
    }

private:
    QList<Kind> kinds_;
    QSet<KindCode> judged_;
    QHash<KindCode, qint64> recovered_;  // -> ms after the restore
};

}  // namespace stress
