#include "plugin/QzLv2QuoterFactory.h"

#include <new>

#include "framework/HistorySaveLedger.h"
#include "plugin/QzLv2Quoter.h"

QzLv2QuoterFactory::QzLv2QuoterFactory(QObject* parent) : QObject(parent) {}

QuoteDataSourceHandler* QzLv2QuoterFactory::CreateHandler(QuoteContext& context,
                                                          const QString& name)
{
    return new (std::nothrow) QzLv2Quoter(context, name);
}

qint64 QzLv2QuoterFactory::HistorySaveFailures() const {
    return historyfile::HistorySaveLedger::Instance().FailureCount();
}

QVariantMap QzLv2QuoterFactory::HistoryFilesNotKept() const {
    QVariantMap files;
    const QMap<QString, QString> notKept =
        historyfile::HistorySaveLedger::Instance().FilesNotKept();
    for (auto it = notKept.cbegin(); it != notKept.cend(); ++it) {
        files.insert(it.key(), it.value());
    }
    return files;
}
