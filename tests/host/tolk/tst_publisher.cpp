#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "host/tolk/subscriber/Subscriber.h"

using namespace kestrov::tolk::subscriber;

namespace {

using Pub = Publisher<QString, int>;
using ISub = ISubscriber<QString, int>;
using IPub = IPublisher<QString, int>;

// Logs "name:topic=value", tracks nesting of its own callbacks, then runs an optional hook.
class LogSubscriber : public Subscriber<QString, int> {
public:
    LogSubscriber(const QString& name, QStringList* log) : name_(name), log_(log) {}

    std::function<void(const QString&, int)> hook;
    int depth = 0;
    int maxDepth = 0;

    void OnPublish(const QString& topic, const int& value) override {
        ++depth;
        maxDepth = std::max(maxDepth, depth);
        *log_ << QString("%1:%2=%3").arg(name_, topic).arg(value);
        if (hook) {
            hook(topic, value);
        }
        --depth;
    }

private:
    QString name_;
    QStringList* log_;
};

// Publisher with every listener wired to one event log.
struct Fixture {
    QStringList log;
    Pub pub;
    LambdaOnSubscribeListener<QString, int> onSubscribe;
    std::function<void(const QString&, ISub*)> subscribeHook;

    Fixture() {
        onSubscribe.SetCallback([this](const QString& topic, ISub* s) {
            log << QString("subscribe:%1").arg(topic);
            if (subscribeHook) {
                subscribeHook(topic, s);
            }
        });
        pub.RegisterOnSubscribeListener(&onSubscribe);
        pub.SetOnTopicInsertedListener(
            std::make_shared<LambdaOnTopicInsertedListener<QString, int>>(
                [this](const QString& topic) { log << QString("inserted:%1").arg(topic); }));
        pub.SetOnTopicDeletedListener(std::make_shared<LambdaOnTopicDeletedListener<QString>>(
            [this](const QString& topic) { log << QString("deleted:%1").arg(topic); }));
    }
};

}  // namespace

class TstPublisher : public QObject {
    Q_OBJECT

private slots:
    void publishWithoutSubscribersLeavesNoTrace() {
        Fixture f;
        LogSubscriber other("other", &f.log);
        f.pub.Subscribe("b", &other);
        f.log.clear();

        f.pub.Publish("a", 1);
        f.pub.Publish("a", 2, &other);
        QVERIFY(f.log.isEmpty());
        QVERIFY(!f.pub.HasTopic("a"));
        QCOMPARE(f.pub.Topics(), std::set<QString>({"b"}));
        QCOMPARE(f.pub.SubscriberCount("a"), 0);
    }

    void subscribingTwiceAttachesOnce() {
        Fixture f;
        LogSubscriber s("s", &f.log);
        QVERIFY(f.pub.Subscribe("t", &s));
        QVERIFY(f.pub.Subscribe("t", &s));
        QCOMPARE(f.log, QStringList({"subscribe:t", "inserted:t", "subscribe:t"}));
        QCOMPARE(f.pub.SubscriberCount("t"), 1);
        QCOMPARE(s.GetPublisher(), static_cast<IPub*>(&f.pub));

        f.log.clear();
        f.pub.Publish("t", 5);
        QCOMPARE(f.log, QStringList({"s:t=5"}));
    }

    void subscribeListenerRunsBeforeAttachment() {
        Fixture f;
        LogSubscriber first("first", &f.log), second("second", &f.log);
        QList<int> countsSeen;
        QList<bool> topicSeen;
        QList<bool> publisherSet;
        f.subscribeHook = [&](const QString& topic, ISub* s) {
            countsSeen << f.pub.SubscriberCount(topic);
            topicSeen << f.pub.HasTopic(topic);
            publisherSet << (s->GetPublisher() != nullptr);
        };
        f.pub.Subscribe("t", &first);
        f.pub.Subscribe("t", &second);
        QCOMPARE(countsSeen, QList<int>({0, 1}));
        QCOMPARE(topicSeen, QList<bool>({false, true}));
        QCOMPARE(publisherSet, QList<bool>({false, false}));
        QCOMPARE(f.log, QStringList({"subscribe:t", "inserted:t", "subscribe:t"}));
    }

    void subscribeListenerCanHandOverAValueFirst() {
        // A listener publishing from OnSubscribe (a cached value) is queued, so the new
        // subscriber is attached by the time that value is published.
        Fixture f;
        LogSubscriber s("s", &f.log);
        f.subscribeHook = [&](const QString& topic, ISub*) { f.pub.Publish(topic, 42); };
        f.pub.Subscribe("t", &s);
        QCOMPARE(f.log, QStringList({"subscribe:t", "inserted:t", "s:t=42"}));
    }

    void unsubscribingTheLastSubscriberDeletesTheTopicOnce() {
        Fixture f;
        LogSubscriber a("a", &f.log), b("b", &f.log);
        f.pub.Subscribe("t", &a);
        f.pub.Subscribe("t", &b);
        f.log.clear();

        f.pub.Unsubscribe("t", &a);
        QVERIFY(f.log.isEmpty());
        QCOMPARE(a.GetPublisher(), nullptr);
        QCOMPARE(f.pub.SubscriberCount("t"), 1);

        f.pub.Unsubscribe("t", &b);
        QCOMPARE(f.log, QStringList({"deleted:t"}));
        QVERIFY(!f.pub.HasTopic("t"));
        QVERIFY(f.pub.Topics().empty());
        QCOMPARE(b.GetPublisher(), nullptr);

        f.pub.Unsubscribe("t", &b);
        f.pub.Publish("t", 1);
        QCOMPARE(f.log, QStringList({"deleted:t"}));
    }

    void unsubscribingFromAnUnknownTopicDoesNothing() {
        Fixture f;
        LogSubscriber s("s", &f.log);
        f.pub.Subscribe("t", &s);
        f.log.clear();

        f.pub.Unsubscribe("other", &s);
        QVERIFY(f.log.isEmpty());
        QCOMPARE(s.GetPublisher(), static_cast<IPub*>(&f.pub));
        QCOMPARE(f.pub.Topics(), std::set<QString>({"t"}));
        f.pub.Publish("t", 3);
        QCOMPARE(f.log, QStringList({"s:t=3"}));
    }

    void topicListenersBracketEachLifetime() {
        Fixture f;
        LogSubscriber a("a", &f.log), b("b", &f.log);
        f.pub.Subscribe("t", &a);
        f.pub.Subscribe("t", &b);
        f.pub.Unsubscribe("t", &a);
        f.pub.Unsubscribe("t", &b);
        f.pub.Subscribe("t", &b);
        f.pub.Subscribe("u", &a);
        f.pub.Unsubscribe("u", &a);
        QCOMPARE(f.log, QStringList({"subscribe:t", "inserted:t", "subscribe:t", "deleted:t",
                                     "subscribe:t", "inserted:t", "subscribe:u", "inserted:u",
                                     "deleted:u"}));
    }

    void replacedListenersAreReleased() {
        Pub pub;
        auto first = std::make_shared<LambdaOnTopicInsertedListener<QString>>();
        auto second = std::make_shared<LambdaOnTopicInsertedListener<QString>>();
        pub.SetOnTopicInsertedListener(first);
        QCOMPARE(first.use_count(), 2L);
        pub.SetOnTopicInsertedListener(second);
        QCOMPARE(first.use_count(), 1L);
        QCOMPARE(second.use_count(), 2L);
        pub.SetOnTopicInsertedListener(nullptr);
        QCOMPARE(second.use_count(), 1L);

        LogSubscriber s("s", nullptr);
        pub.Subscribe("t", &s);  // no listener set: no call, no crash
        QVERIFY(pub.HasTopic("t"));
        pub.Unsubscribe("t", &s);
    }

    void operationsFromCallbacksRunAfterThePass() {
        Fixture f;
        LogSubscriber s1("s1", &f.log), s2("s2", &f.log), s3("s3", &f.log), s4("s4", &f.log);
        f.pub.Subscribe("t", &s1);
        f.pub.Subscribe("t", &s2);
        f.pub.Subscribe("t", &s3);
        f.log.clear();

        s1.hook = [&](const QString& topic, int value) {
            if (value != 1) {
                return;
            }
            f.pub.Unsubscribe(topic, &s3);
            f.pub.Subscribe(topic, &s4);
            f.pub.Publish(topic, 2);
            f.log << QString("count:%1").arg(f.pub.SubscriberCount(topic));  // nothing ran yet
        };
        s2.hook = [&](const QString& topic, int value) {
            if (value == 1) {
                f.pub.Publish(topic, 3);
            }
        };
        f.pub.Publish("t", 1);

        QCOMPARE(f.log, QStringList({"s1:t=1", "count:3", "s2:t=1", "s3:t=1",  // the pass
                                     "subscribe:t",                            // s4 arrives
                                     "s1:t=2", "s2:t=2", "s4:t=2",             // s1's publish
                                     "s1:t=3", "s2:t=3", "s4:t=3"}));          // s2's publish
        QCOMPARE(s1.maxDepth, 1);
        QCOMPARE(s2.maxDepth, 1);
        QCOMPARE(f.pub.SubscriberCount("t"), 3);
        QCOMPARE(s3.GetPublisher(), nullptr);
    }

    void lastSubscriberLeavingInsideItsCallback() {
        Fixture f;
        LogSubscriber self("self", &f.log), next("next", &f.log);
        f.pub.Subscribe("t", &self);
        f.pub.Subscribe("t", &next);
        f.log.clear();
        self.hook = [&](const QString& topic, int) {
            f.pub.Unsubscribe(topic, &self);
            f.pub.Unsubscribe(topic, &next);
            f.pub.Publish(topic, 2);  // runs once the topic is gone
        };
        next.hook = [&](const QString&, int) {
            f.log << QString("topic:%1").arg(f.pub.HasTopic("t"));
        };
        f.pub.Publish("t", 1);
        QCOMPARE(f.log, QStringList({"self:t=1", "next:t=1", "topic:1", "deleted:t"}));
        QVERIFY(f.pub.Topics().empty());
    }

    void excludedSubscriberIsSkipped_data() {
        QTest::addColumn<int>("excluded");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("none") << -1 << QStringList({"c:t=9", "a:t=9", "b:t=9"});
        QTest::newRow("first") << 2 << QStringList({"a:t=9", "b:t=9"});
        QTest::newRow("middle") << 0 << QStringList({"c:t=9", "b:t=9"});
        QTest::newRow("last") << 1 << QStringList({"c:t=9", "a:t=9"});
    }

    void excludedSubscriberIsSkipped() {
        QFETCH(int, excluded);
        QFETCH(QStringList, expected);
        QStringList log;
        LogSubscriber subs[3] = {{"a", &log}, {"b", &log}, {"c", &log}};
        Pub pub;
        // Subscription order c, a, b: not the order of the subscribers' addresses.
        pub.Subscribe("t", &subs[2]);
        pub.Subscribe("t", &subs[0]);
        pub.Subscribe("t", &subs[1]);
        if (excluded < 0) {
            pub.Publish("t", 9);
        } else {
            pub.Publish("t", 9, &subs[excluded]);
        }
        QCOMPARE(log, expected);
    }

    void allTopicsSubscriberSeesEveryPublication() {
        QStringList log;
        LogSubscriber all("all", &log), s("s", &log);
        Pub pub;
        pub.SubscribeAllTopics(&all);
        pub.Subscribe("t", &s);
        pub.Publish("t", 1);
        pub.Publish("u", 2);
        pub.Publish("t", 3, &all);
        pub.UnsubscribeAllTopics(&all);
        pub.Publish("u", 4);
        QCOMPARE(log, QStringList({"all:t=1", "s:t=1", "all:u=2", "s:t=3"}));
        QCOMPARE(pub.Topics(), std::set<QString>({"t"}));
    }

    void publishedValueIsACopy() {
        Publisher<QString, QString> pub;
        QStringList seen;
        QString text = "before";
        LambdaSubscriber<QString, QString> changer([&](const QString&, const QString& value) {
            seen << value;
            text = "changed";  // alters the caller's variable mid-pass
        });
        LambdaSubscriber<QString, QString> reader(
            [&](const QString&, const QString& value) { seen << value; });
        pub.Subscribe("t", &changer);
        pub.Subscribe("t", &reader);
        pub.Publish("t", text);
        QCOMPARE(seen, QStringList({"before", "before"}));
    }

    void concurrentClientsKeepCountsConsistent() {
        constexpr int kThreads = 4;
        constexpr int kRounds = 200;
        constexpr int kPublishesPerRound = 3;
        const QStringList topics = {"even", "odd"};

        Pub pub;
        std::atomic<int> subscribes{0}, inserted{0}, deleted{0};
        LambdaOnSubscribeListener<QString, int> onSubscribe(
            [&](const QString&, ISub*) { ++subscribes; });
        pub.RegisterOnSubscribeListener(&onSubscribe);
        pub.SetOnTopicInsertedListener(std::make_shared<LambdaOnTopicInsertedListener<QString>>(
            [&](const QString&) { ++inserted; }));
        pub.SetOnTopicDeletedListener(std::make_shared<LambdaOnTopicDeletedListener<QString>>(
            [&](const QString&) { ++deleted; }));

        // Per thread: deliveries of its own values to its own subscriber, and any foreign ones.
        std::vector<int> own(kThreads, 0);
        std::vector<int> foreign(kThreads, 0);
        std::vector<std::unique_ptr<LambdaSubscriber<QString, int>>> subs;
        for (int i = 0; i < kThreads; ++i) {
            subs.push_back(std::make_unique<LambdaSubscriber<QString, int>>(
                [&, i](const QString&, const int& value) { ++(value == i ? own : foreign)[i]; }));
        }
        std::vector<int> observed(topics.size(),
                                  0);  // deliveries to one lasting observer per topic
        LambdaSubscriber<QString, int> evenObserver(
            [&](const QString&, const int&) { ++observed[0]; });
        LambdaSubscriber<QString, int> oddObserver(
            [&](const QString&, const int&) { ++observed[1]; });

        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                const QString topic = topics[i % 2];
                for (int round = 0; round < kRounds; ++round) {
                    if (i == 0 && round == kRounds / 2) {
                        pub.Subscribe("even", &evenObserver);
                        pub.Subscribe("odd", &oddObserver);
                    }
                    pub.Subscribe(topic, subs[i].get());
                    for (int n = 0; n < kPublishesPerRound; ++n) {
                        pub.Publish(topic, i);
                    }
                    pub.Unsubscribe(topic, subs[i].get());
                    pub.Publish(topic, i);  // not subscribed: never reaches its own subscriber
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }

        for (int i = 0; i < kThreads; ++i) {
            QCOMPARE(own[i], kRounds * kPublishesPerRound);
            QCOMPARE(subs[i]->GetPublisher(), nullptr);
        }
        QCOMPARE(subscribes.load(), kThreads * kRounds + 2);
        QCOMPARE(pub.Topics(), std::set<QString>({"even", "odd"}));  // the observers remain
        QCOMPARE(pub.SubscriberCount("even"), 1);
        QCOMPARE(pub.SubscriberCount("odd"), 1);
        QCOMPARE(inserted.load() - deleted.load(), 2);
        QVERIFY(observed[0] <= 2 * kRounds * (kPublishesPerRound + 1));
        QVERIFY(observed[1] <= 2 * kRounds * (kPublishesPerRound + 1));

        // Once all clients are done, the lasting observers see exactly what is published.
        observed = {0, 0};
        pub.Publish("even", 0);
        pub.Publish("odd", 1);
        pub.Publish("odd", 3);
        QCOMPARE(observed, std::vector<int>({1, 2}));
        pub.Unsubscribe("even", &evenObserver);
        pub.Unsubscribe("odd", &oddObserver);
        QVERIFY(pub.Topics().empty());
        QCOMPARE(inserted.load(), deleted.load());
    }

    void concurrentPublishersWithReentrantSubscribers() {
        // Every thread's subscriber republishes once from inside its callback; each thread's
        // queue is drained by that thread, so every echo arrives exactly once.
        constexpr int kThreads = 3;
        constexpr int kPublishes = 300;
        Pub pub;
        std::atomic<int> originals{0}, echoes{0};
        LambdaSubscriber<QString, int> echo;
        echo.SetCallback([&](const QString& topic, const int& value) {
            if (value >= 0) {
                ++originals;
                pub.Publish(topic, -1);
            } else {
                ++echoes;
            }
        });
        pub.Subscribe("t", &echo);
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                for (int n = 0; n < kPublishes; ++n) {
                    pub.Publish("t", i);
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        QCOMPARE(originals.load(), kThreads * kPublishes);
        QCOMPARE(echoes.load(), kThreads * kPublishes);
    }
};

QTEST_GUILESS_MAIN(TstPublisher)
#include "tst_publisher.moc"
