#pragma once

#include <QObject>

#include "host/quoter/QuoterFactoryInterface.h"

// The plug-in's entry: Qt's instance function makes one factory and keeps it in a guarded
// pointer, so the client gets the same factory on every call while it lives. The factory has
// no state; every handler it makes is a new quoter that the caller owns.
// Interface cast (moc's): "QzLv2QuoterFactory", "QuoterFactoryInterface" and the interface id.
// Threads: called on a client thread.
class QzLv2QuoterFactory : public QObject, public QuoterFactoryInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "com.mervox.lib.quoter.QzLv2QuoterFactory/1.0" FILE "QzLv2QuoterFactory.json")
    Q_INTERFACES(QuoterFactoryInterface)

public:
    explicit QzLv2QuoterFactory(QObject* parent = nullptr);

    QuoteDataSourceHandler* CreateHandler(QuoteContext& context, const QString& name) override;
};
