#include "host/quoter/QuoterStockFeatureDict.h"

#include <QMutexLocker>

namespace {
const int kLv2FeatureId = 1;
const int kTransferFeatureId = 2;
}  // namespace

QuoterStockFeatureDict::QuoterStockFeatureDict() {
    ResetToDefaults();
}

PatternFeatureStatement QuoterStockFeatureDict::GetFeatureStatement(const QString& name) const {
    QMutexLocker lock(&mutex_);
    auto it = statements_.constFind(name);
    if (it == statements_.constEnd()) {
        return PatternFeatureStatement(-1, name, QString());
    }
    return it.value();
}

void QuoterStockFeatureDict::SetFeatureStatement(const QString& name,
                                                 const PatternFeatureStatement& statement) {
    QMutexLocker lock(&mutex_);
    statements_.insert(name, statement);
}

void QuoterStockFeatureDict::ResetToDefaults() {
    QMutexLocker lock(&mutex_);
    statements_.clear();
    statements_.insert(QStringLiteral("LV2"),
                       PatternFeatureStatement(kLv2FeatureId, QStringLiteral("LV2"),
                                               QStringLiteral("(SH|SZ)[0-9]{6}")));
    statements_.insert(QStringLiteral("Transfer"),
                       PatternFeatureStatement(kTransferFeatureId, QStringLiteral("Transfer"),
                                               QStringLiteral("NQ[0-9]{6}")));
}
