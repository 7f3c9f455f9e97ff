#include "services/signals/ShortLineScopeResolverBase.h"

#include <QSet>

#include "services/signals/SignalJoins.h"

namespace {

const QString kStatisticsKey = QStringLiteral("signal_type_statistics");

bool AsksTypeColumnsOnly(const KeyListExpression& keys) {
    static const QSet<QString> typeColumns = {
        QStringLiteral("signal_type_code"), QStringLiteral("signal_type_name"),
        QStringLiteral("signal_type_group_code"), QStringLiteral("signal_type_group_name")};
    if (keys.IsEmpty()) {
        return false;
    }
    for (const QString& key : keys.GetKeyList()) {
        if (!typeColumns.contains(key)) {
            return false;
        }
    }
    return true;
}

}  // namespace

ShortLineScopeResolverBase::ShortLineScopeResolverBase(HandlerConfiguration* configuration,
                                                       Kind kind)
    : ScopeResolverBase(configuration), kind_(kind) {}

ShortLineScopeResolverBase::Kind ShortLineScopeResolverBase::KindOf(const ScopeTreeNode& node) {
    if (node.key_list.Contains(kStatisticsKey)) {
        return Kind::Statistics;
    }
    return AsksTypeColumnsOnly(node.key_list) ? Kind::TypeList : Kind::SignalList;
}

ScopeTypeVariant ShortLineScopeResolverBase::ScopeType() {
    return ScopeTypeVariant(QString::fromUtf8(kScopeType));
}

ScopeTypeVariant ShortLineScopeResolverBase::ChildType(Child child) {
    return ScopeTypeVariant(
        QString::fromLatin1(child == TypeChild ? kTypeChildType : kSignalChildType));
}

void ShortLineScopeResolverBase::InitTables(int children) {
    ResetTables({ScopeType()});
    for (Child child : {TypeChild, SignalChild}) {
        if ((children & child) != 0) {
            AddJoinMethod(JoinMethodKey(ScopeType(), ChildType(child)), &JoinRouted);
        }
    }
}

JoinMethodResult ShortLineScopeResolverBase::JoinRouted(ScopeTreeNode& target,
                                                        const ScopeTreeNode& source) {
    switch (KindOf(target)) {
        case Kind::Statistics:
            return shortline::JoinSignalStatistics(target, source);
        case Kind::TypeList:
            return shortline::JoinSignalTypeList(target, source);
        case Kind::SignalList:
            break;
    }
    return shortline::JoinSignalList(target, source);
}

bool ShortLineScopeResolverBase::ResolveWith(ScopeResolveResult& result, const ScopeTreeNode& node,
                                             int children) const {
    if (node.scope_type != ScopeType() || KindOf(node) != kind_) {
        return false;
    }
    QList<ScopeTreeNode> fetched;
    if ((children & TypeChild) != 0) {
        fetched << MakeChild(node, ChildType(TypeChild), ScopeTypeVariant(QStringLiteral("10015")));
    }
    if ((children & SignalChild) != 0) {
        ScopeTreeNode child =
            MakeChild(node, ChildType(SignalChild), ScopeTypeVariant(QStringLiteral("10016")));
        child.params.insert(kPlateListParam, node.params.value(kPlateListParam));
        fetched << child;
    }
    ScopeTreeNode split = SplitCopy(node);
    split.children.clear();
    for (const ScopeTreeNode& child : fetched) {
        split.children << child;
    }
    FillResult(result, split, fetched);
    return true;
}
