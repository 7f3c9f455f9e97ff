#pragma once

#include <QString>
#include <QtPlugin>

class QuoteContext;
class QuoteDataSourceHandler;

// What a quote data source plug-in offers the client: a factory of handlers for its chain.
// The caller owns the handler it gets; a null result means the handler could not be made.
// Threads: called on a client thread.
class QuoterFactoryInterface {
public:
    virtual ~QuoterFactoryInterface() = default;
    virtual QuoteDataSourceHandler* CreateHandler(QuoteContext& context, const QString& name) = 0;
};

#define QuoterFactoryInterface_iid "com.mervox.lib.quoter.QuoterFactoryInterface/1.0"
Q_DECLARE_INTERFACE(QuoterFactoryInterface, QuoterFactoryInterface_iid)
