#pragma once

#include <QMap>
#include <QMutex>
#include <QString>

#include "host/quoter/PatternFeatureStatement.h"

// The stock dictionary of the client's feature store: feature name -> statement.
// Defaults: "LV2" (id 1) for A-share codes, "SH" or "SZ" followed by six digits; "Transfer"
// (id 2) for share-transfer system codes, "NQ" followed by six digits.
// An unknown name gives a statement with id -1 and the name as text, supporting nothing.
// Threads: reads and writes take the dictionary's mutex; statements are returned as copies.
class QuoterStockFeatureDict {
public:
    QuoterStockFeatureDict();

    PatternFeatureStatement GetFeatureStatement(const QString& name) const;
    void SetFeatureStatement(const QString& name, const PatternFeatureStatement& statement);
    void ResetToDefaults();

private:
    mutable QMutex mutex_;
    QMap<QString, PatternFeatureStatement> statements_;
};
