#include <QtTest>

#include "host/quoter/CompositeRemoteApiCall.h"
#include "host/quoter/CompositeScopeResolver.h"

namespace {

// Accepts nodes of one scope type, records what it was asked, and splits off one child.
class RecordingResolver : public ScopeResolver {
public:
    RecordingResolver(HandlerConfiguration* config, ScopeTypeVariant type, QString tag,
                      QStringList* log)
        : ScopeResolver(config), type_(std::move(type)), tag_(std::move(tag)), log_(log) {}

    void Init() override {
        supported_types_.insert(type_);
        join_methods_.clear();
        join_methods_ << JoinMethodValue(
            JoinMethodKey(type_, ScopeSplitTypeVariant(8), tag_),
            [](ScopeTreeNode&, const ScopeTreeNode&) { return JoinMethodResult(true); });
    }
    bool Resolve(ScopeResolveResult& result, const ScopeTreeNode& node) override {
        *log_ << tag_;
        if (!CanSupport(node)) {
            return false;
        }
        ScopeTreeNode copy = node;
        copy.split_type = ScopeSplitTypeVariant(8);
        ScopeTreeNode child = ScopeTreeNode::FromParentNode(node);
        child.scope_type = tag_;
        result.replacement_nodes << copy;
        result.fetch_nodes << child;
        return true;
    }

private:
    ScopeTypeVariant type_;
    QString tag_;
    QStringList* log_;
};

class RecordingCall : public RemoteApiCall {
public:
    RecordingCall(std::set<ScopeTypeVariant> types, QString tag, QStringList* log)
        : types_(std::move(types)), tag_(std::move(tag)), log_(log) {}
    ~RecordingCall() override { *log_ << tag_ + ":deleted"; }

    void Init() override { *log_ << tag_ + ":init"; }
    std::set<ScopeTypeVariant> GetSupportedTypeSet() const override { return types_; }
    void AttachNode(const ScopeTreeNode& node) override {
        *log_ << QString("%1:attach:%2").arg(tag_).arg(node.scope_id);
    }
    void DetachNode(const ScopeTreeNode& node) override {
        *log_ << QString("%1:detach:%2").arg(tag_).arg(node.scope_id);
    }
    void ClearCache() override { *log_ << tag_ + ":clear"; }

private:
    std::set<ScopeTypeVariant> types_;
    QString tag_;
    QStringList* log_;
};

}  // namespace

class TstComposites : public QObject {
    Q_OBJECT
private slots:
    void baseResolverServesNothing();
    void resolverAsksMembersInOrderAndStopsAtFirst();
    void resolverUnionsTypesAndConcatenatesJoins();
    void callRoutesByApiTypeThenScopeType();
    void callInitsClearsAndOwnsMembers();
};

void TstComposites::baseResolverServesNothing() {
    HandlerConfiguration config;
    ScopeResolver base(&config);
    base.Init();
    ScopeResolveResult r;
    QVERIFY(!base.Resolve(r, ScopeTreeNode(2)));
    QVERIFY(r.IsEmpty());
    QVERIFY(base.GetSupportedTypeSet().empty());
    QVERIFY(base.GetJoinMethodList().isEmpty());
    QCOMPARE(base.GetHandlerConfiguration(), &config);
}

void TstComposites::resolverAsksMembersInOrderAndStopsAtFirst() {
    QStringList log;
    CompositeScopeResolver composite;
    composite.Add(new RecordingResolver(nullptr, 18, "large", &log));
    composite.Add(new RecordingResolver(nullptr, "l2_fast_quote", "fast", &log));
    composite.Add(new RecordingResolver(nullptr, "l2_fast_quote", "shadowed", &log));
    composite.Add(nullptr);
    composite.Init();
    QCOMPARE(composite.Count(), 3);

    ScopeResolveResult result;
    QVERIFY(composite.Resolve(result, ScopeTreeNode("l2_fast_quote")));
    QCOMPARE(log, (QStringList{"large", "fast"}));
    QCOMPARE(result.fetch_nodes.size(), 1);
    QCOMPARE(result.fetch_nodes.at(0).scope_type, ScopeTypeVariant("fast"));

    log.clear();
    ScopeResolveResult none;
    QVERIFY(!composite.Resolve(none, ScopeTreeNode(2)));
    QCOMPARE(log, (QStringList{"large", "fast", "shadowed"}));
    QVERIFY(none.IsEmpty());
}

void TstComposites::resolverUnionsTypesAndConcatenatesJoins() {
    QStringList log;
    CompositeScopeResolver composite;
    composite.Add(new RecordingResolver(nullptr, 18, "a", &log));
    composite.Add(new RecordingResolver(nullptr, "minute", "b", &log));
    composite.Add(new RecordingResolver(nullptr, 18, "c", &log));
    QVERIFY(composite.GetJoinMethodList().isEmpty());  // nothing before Init
    composite.Init();

    const QList<JoinMethodValue> joins = composite.GetJoinMethodList();
    QCOMPARE(joins.size(), 3);
    QCOMPARE(joins.at(0).Key().ChildType(), ScopeTypeVariant("a"));
    QCOMPARE(joins.at(1).Key().ChildType(), ScopeTypeVariant("b"));
    QCOMPARE(joins.at(2).Key().ChildType(), ScopeTypeVariant("c"));
    QCOMPARE(int(composite.GetSupportedTypeSet().size()), 2);
    QVERIFY(composite.CanSupport(ScopeTypeVariant(18)));
    QVERIFY(composite.CanSupport(ScopeTreeNode("minute")));
    QVERIFY(!composite.CanSupport(ScopeTypeVariant("18")));
}

void TstComposites::callRoutesByApiTypeThenScopeType() {
    QStringList log;
    CompositeRemoteApiCall calls;
    calls.Add(new RecordingCall({"10000", "10001", "10002"}, "c10002", &log));
    calls.Add(new RecordingCall({"12989"}, "c12989", &log));
    calls.Add(new RecordingCall({"lv2_cjdd"}, "byScope", &log));

    ScopeTreeNode byApi("qz_lv2_quoter_12989");
    byApi.api_type = "12989";
    ScopeTreeNode basic(2);
    basic.api_type = "10001";
    ScopeTreeNode byScope("lv2_cjdd");
    ScopeTreeNode unknown("nobody");
    unknown.api_type = "55555";

    calls.AttachNode(byApi);
    calls.AttachNode(basic);
    calls.AttachNode(byScope);
    calls.AttachNode(unknown);
    calls.DetachNode(basic);
    QCOMPARE(log, (QStringList{QString("c12989:attach:%1").arg(byApi.scope_id),
                               QString("c10002:attach:%1").arg(basic.scope_id),
                               QString("byScope:attach:%1").arg(byScope.scope_id),
                               QString("c10002:detach:%1").arg(basic.scope_id)}));
    QVERIFY(calls.FindMemberFor(unknown) == nullptr);
    QCOMPARE(int(calls.GetSupportedTypeSet().size()), 5);
}

void TstComposites::callInitsClearsAndOwnsMembers() {
    QStringList log;
    {
        CompositeRemoteApiCall calls;
        calls.Add(new RecordingCall({"1"}, "x", &log));
        calls.Add(new RecordingCall({"2"}, "y", &log));
        calls.Init();
        calls.ClearCache();
    }
    QCOMPARE(log,
             (QStringList{"x:init", "y:init", "x:clear", "y:clear", "x:deleted", "y:deleted"}));
}

QTEST_GUILESS_MAIN(TstComposites)
#include "tst_composites.moc"
