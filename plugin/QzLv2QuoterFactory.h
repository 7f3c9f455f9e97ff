#pragma once

#include <QObject>
#include <QVariantMap>

#include "host/quoter/QuoterFactoryInterface.h"

// The plug-in's entry: Qt's instance function makes one factory and keeps it in a guarded
// pointer, so the client gets the same factory on every call while it lives. The factory has
// no state; every handler it makes is a new quoter that the caller owns.
// Interface cast (moc's): "QzLv2QuoterFactory", "QuoterFactoryInterface" and the interface id.
// Properties, for a client that reads them with QObject::property on the plug-in's instance (it
// includes nothing of the plug-in), about the history files every quoter keeps on disk:
//   "historySaveFailures" (qint64): failed saves reported, one per file and run of failures;
//   "historyFilesNotKept" (QVariantMap): path -> the reason, for each file whose latest save
//   failed, so that a file absent from it was kept by its latest save.
// Threads: CreateHandler on a client thread; the properties from any thread.
class QzLv2QuoterFactory : public QObject, public QuoterFactoryInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.mervox.lib.quoter.QzLv2QuoterFactory/1.0" FILE "QzLv2QuoterFactory.json")
    Q_INTERFACES(QuoterFactoryInterface)
    Q_PROPERTY(qint64 historySaveFailures READ HistorySaveFailures)
    Q_PROPERTY(QVariantMap historyFilesNotKept READ HistoryFilesNotKept)

public:
    explicit QzLv2QuoterFactory(QObject* parent = nullptr);

    QuoteDataSourceHandler* CreateHandler(QuoteContext& context, const QString& name) override;

    qint64 HistorySaveFailures() const;
    QVariantMap HistoryFilesNotKept() const;
};
