#include "tools/qzlv2/loading/ServerTrades.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QSet>
#include <QThread>

#include "host/access/CHQOWNServerAccesser.h"
#include "host/access/transport/TcpServerBackend.h"
#include "services/stockboard/StockSnapshotDecoder.h"

namespace qzlv2 {

namespace {

const char kService[] = "l2quote";
constexpr int kSnapshotFunction = 10002;
constexpr int kMaxGenerated = 1998;  // the stocks a simulated market can generate
constexpr int kWaitStepMs = 20;      // ms between looks at the answers

// The codes the server answered with a record, and how many answers came; written on the
// accessor's thread.
struct Answers {
    QMutex mutex;
    QSet<QString> known;
    int count = 0;
};

RequestParams SnapshotOf(const QString& code) {
    return {{"Int16U", 0}, {"Int16U", 0}, {"Strings", QStringList{code}},
            {"Int32U", 0}, {"Int32U", 0}, {"Int32U", 0}};
}

}  // namespace

MarketContents EmbeddedMarket() {
    return MarketContents{simmarket::Stocks(), simmarket::Boards()};
}

bool AskServerWhatItTrades(const transport::ServerAddress& address, int timeoutMs,
                           MarketContents* out, QString* error) {
    const MarketContents candidates{simmarket::Stocks() + simmarket::GeneratedStocks(kMaxGenerated),
                                    simmarket::Boards()};
    const auto backend =
        transport::TcpServerBackend::InstallForServices(address, {}, {kService}).first();
    auto answers = std::make_shared<Answers>();
    int asked = 0;
    int count = 0;
    bool answered = false;
    {
        CHQOWNServerAccesser accessor(kService, nullptr, 0);
        accessor.RegisterFuncAsSerial(kSnapshotFunction);
        accessor.RegisterReceiver(
            ReceiverKey(kSnapshotFunction),
            [answers](const Resp_s& r) {
                const DecodeResult<StockSnapshot> decoded = DecodeStockSnapshotBody(r.body);
                QMutexLocker lock(&answers->mutex);
                ++answers->count;
                if (decoded.ok && decoded.record) {
                    answers->known.insert(decoded.record->code);
                }
            },
            nullptr);
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            if (asked == 0 && backend->IsLinkUp()) {
                for (const simmarket::SimStock& s : candidates.stocks) {
                    accessor.AppendTaskByParams(kSnapshotFunction, nullptr, SnapshotOf(s.code));
                }
                for (const simmarket::SimBoard& b : candidates.boards) {
                    accessor.AppendTaskByParams(kSnapshotFunction, nullptr, SnapshotOf(b.code));
                }
                asked = candidates.stocks.size() + candidates.boards.size();
            }
            {
                QMutexLocker lock(&answers->mutex);
                count = answers->count;
                answered = asked > 0 && count >= asked;
            }
            if (answered) {
                break;
            }
            if (waited.elapsed() >= timeoutMs) {
                *error = asked == 0
                             ? QStringLiteral("no connection to the server at %1 within %2 s")
                                   .arg(address.ToString())
                                   .arg(timeoutMs / 1000)
                             : QStringLiteral(
                                   "the server at %1 answered %2 of %3 questions "
                                   "within %4 s")
                                   .arg(address.ToString())
                                   .arg(count)
                                   .arg(asked)
                                   .arg(timeoutMs / 1000);
                break;
            }
            QThread::msleep(kWaitStepMs);
        }
    }
    ServerBackendRegistry::Install(kService, nullptr);
    if (!answered) {
        return false;
    }
    for (const simmarket::SimStock& s : candidates.stocks) {
        if (answers->known.contains(s.code)) {
            out->stocks << s;
        }
    }
    for (const simmarket::SimBoard& b : candidates.boards) {
        if (answers->known.contains(b.code)) {
            out->boards << b;
        }
    }
    return true;
}

}  // namespace qzlv2
