#include "plugin/QzLv2QuoterFactory.h"

#include <new>

#include "plugin/QzLv2Quoter.h"

QzLv2QuoterFactory::QzLv2QuoterFactory(QObject* parent) : QObject(parent) {}

QuoteDataSourceHandler* QzLv2QuoterFactory::CreateHandler(QuoteContext& context,
                                                          const QString& name)
{
    return new (std::nothrow) QzLv2Quoter(context, name);
}
