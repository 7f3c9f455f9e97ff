#include "framework/HistorySaveLedger.h"

#include <QMutexLocker>

#include "framework/Log.h"

namespace historyfile {

HistorySaveLedger& HistorySaveLedger::Instance() {
    static HistorySaveLedger ledger;
    return ledger;
}

void HistorySaveLedger::Record(const SaveOutcome& outcome) {
    {
        QMutexLocker lock(&mutex_);
        if (outcome.IsKept()) {
            notKept_.remove(outcome.path);
            return;
        }
        const bool sameRun = notKept_.contains(outcome.path);
        notKept_.insert(outcome.path, outcome.error);
        if (sameRun) {
            return;
        }
        ++failures_;
    }
    // Outside the lock: a message handler may read this ledger.
    qzlog::Warning("qzLv2quoter", "save kline capitalflow cache failed:",
                   QStringLiteral("%1: %2").arg(outcome.path, outcome.error),
                   "(served from memory)");
}

qint64 HistorySaveLedger::FailureCount() const {
    QMutexLocker lock(&mutex_);
    return failures_;
}

QMap<QString, QString> HistorySaveLedger::FilesNotKept() const {
    QMutexLocker lock(&mutex_);
    return notKept_;
}

}  // namespace historyfile
