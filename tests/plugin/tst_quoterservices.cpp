// What the quoter builds: its resolvers and calls in the order the composites offer nodes to them
// (the first resolver that accepts a node takes it, so the order is behaviour).
#include <QRegularExpression>
#include <QtTest>

#include <typeinfo>

#include "host/quoter/CompositeRemoteApiCall.h"
#include "host/quoter/CompositeScopeResolver.h"
#include "host/quoter/QuoteContext.h"
#include "plugin/QzLv2Quoter.h"

namespace {

// The class of a global-namespace object, from its mangled name ("26QzLv2NewLargeScopeResolver").
template <typename T>
QString ClassName(const T& object) {
    return QString::fromLatin1(typeid(object).name()).remove(QRegularExpression("^\\d+"));
}

// The classes of a composite's members, in the order it offers them work, space-separated.
template <typename Composite>
QString MemberClasses(const Composite& composite) {
    QStringList names;
    for (int i = 0; i < composite.Count(); ++i)
        names << ClassName(*composite.At(i));
    return names.join(' ');
}

}  // namespace

class TestQuoterServices : public QObject {
    Q_OBJECT

private slots:
    void resolversAndCallsInTheirOrder() {
        QuoteContext context;
        QzLv2Quoter quoter(context, "qzlv2");
        QCOMPARE(MemberClasses(*quoter.Resolvers()),
                 QString("QzLv2NewLargeScopeResolver QzLv2CapitalFlowScopeResolver "
                         "QzLv2StkanalysisScopeResolver QzLv2FastQuoteScopeResolver "
                         "QzLv2ShortLineSignalListScopeResolver "
                         "QzLv2ShortLineSignalStatisticsScopeResolver "
                         "QzLv2ShortLineSignalTypeListScopeResolver QzLv2IndicatorResolver "
                         "QzLv2MinutesCapitalFlowsIndicatorResolver QzLv2StockBoardScopeResolver "
                         "QzLv2CapitalTrendScopeResolver QzLv2PriceBaseDealsScopeResolver"));
        QCOMPARE(MemberClasses(*quoter.Calls()),
                 QString("QzLv2RemoteApiCall_10002 QzLv2RemoteApiCall_12988 "
                         "QzLv2RemoteApiCall_12990 QzLv2RemoteApiCall_10012 "
                         "QzLv2RemoteApiCall_10015 QzLv2RemoteApiCall_10016 "
                         "QzLv2RemoteApiCall_12755_Stock_Related QzLv2RemoteApiCall_12915 "
                         "QzLv2RemoteApiCall_12917 QzLv2RemoteApiCall_12930 "
                         "QzLv2RemoteApiCall_12973 QzLv2RemoteApiCall_12844 "
                         "QzLv2RemoteApiCall_12842 QzLv2RemoteApiCall_12932 "
                         "QzLv2RemoteApiCall_12989"));
    }
};

QTEST_GUILESS_MAIN(TestQuoterServices)
#include "tst_quoterservices.moc"
