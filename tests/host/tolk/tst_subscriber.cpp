#include <QtTest>

#include <atomic>
#include <deque>
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

// Logs "name:topic=value", then runs an optional hook.
struct LogSubscriber : Subscriber<QString, int> {
    LogSubscriber(const QString& name, QStringList* log) : name(name), log(log) {}
    void OnPublish(const QString& topic, const int& value) override {
        *log << QString("%1:%2=%3").arg(name, topic).arg(value);
        if (hook)
            hook(topic, value);
    }
    QString name;
    QStringList* log;
    std::function<void(const QString&, int)> hook;
};

// Publisher with every listener wired to one event log.
struct Fixture {
    QStringList log;
    Pub pub;
    std::function<void(const QString&, ISub*)> subscribeHook;  // runs after the log line
    LambdaOnSubscribeListener<QString, int> onSubscribe{[this](const QString& topic, ISub* s) {
        log << "subscribe:" + topic;
        if (subscribeHook)
            subscribeHook(topic, s);
    }};

    Fixture() {
        pub.RegisterOnSubscribeListener(&onSubscribe);
        pub.SetOnTopicInsertedListener(
            std::make_shared<LambdaOnTopicInsertedListener<QString, int>>(
                [this](const QString& topic) { log << "inserted:" + topic; }));
        pub.SetOnTopicDeletedListener(std::make_shared<LambdaOnTopicDeletedListener<QString>>(
            [this](const QString& topic) { log << "deleted:" + topic; }));
    }
};

}  // namespace

class TstSubscriber : public QObject {
    Q_OBJECT

private slots:
    void observableChangesDuringNotify() {
        QStringList log;
        LogSubscriber a("a", &log), b("b", &log), c("c", &log), d("d", &log), late("late", &log);
        Observable<QString, int> observable;
        for (LogSubscriber* s : {&a, &b, &c, &d})
            observable.Attach(s);
        a.hook = [&](const QString&, int) {
            observable.Detach(&a);     // itself, while the pass stands on it
            observable.Detach(&b);     // the next one: skipped at once, d still runs
            observable.Attach(&late);  // waits for the next pass
            observable.Detach(&c);
            observable.Attach(&c);  // moves to the back, after this pass's end
        };
        observable.Notify("t", 1);
        observable.Notify("t", 2);
        QCOMPARE(log, QStringList({"a:t=1", "d:t=1", "d:t=2", "late:t=2", "c:t=2"}));
    }

    void subscriptionAndTopicLifetime() {
        Fixture f;
        LogSubscriber a("a", &f.log), b("b", &f.log), c("c", &f.log);
        QList<int> countsSeen;
        f.subscribeHook = [&](const QString& topic, ISub* s) {
            countsSeen << f.pub.SubscriberCount(topic) << (s->GetPublisher() != nullptr);
        };
        QVERIFY(f.pub.Subscribe("t", &a));
        QVERIFY(f.pub.Subscribe("t", &a));  // attaches once
        f.pub.Subscribe("t", &b);
        QCOMPARE(countsSeen, QList<int>({0, 0, 1, 1, 1, 0}));  // listener runs before attaching
        QCOMPARE(a.GetPublisher(), static_cast<IPub*>(&f.pub));
        f.pub.Unsubscribe("other", &a);  // unknown topic: nothing happens
        f.pub.Unsubscribe("t", &a);
        QCOMPARE(a.GetPublisher(), nullptr);
        f.pub.Unsubscribe("t", &b);
        f.pub.Unsubscribe("t", &b);
        f.pub.Publish("t", 1);
        QVERIFY(f.pub.Topics().empty());
        // A listener publishing from OnSubscribe (a cached value) is queued, so the new
        // subscriber is attached by the time that value is published.
        f.subscribeHook = [&](const QString& topic, ISub*) { f.pub.Publish(topic, 42); };
        for (LogSubscriber* s : {&c, &a, &b}) {  // not the order of their addresses
            f.pub.Subscribe("t", s);
        }
        f.pub.Publish("t", 2, &c);  // all but the excluded one, in subscription order
        f.pub.Publish("t", 3, &b);
        f.pub.Publish("u", 4);  // a topic nobody subscribed to
        QCOMPARE(f.log, QStringList({"subscribe:t", "inserted:t", "subscribe:t", "subscribe:t",
                                     "deleted:t", "subscribe:t", "inserted:t", "c:t=42",
                                     "subscribe:t", "c:t=42", "a:t=42", "subscribe:t", "c:t=42",
                                     "a:t=42", "b:t=42", "a:t=2", "b:t=2", "c:t=3", "a:t=3"}));
    }

    void operationsFromCallbacksRunAfterThePass() {
        Fixture f;
        LogSubscriber s1("s1", &f.log), s2("s2", &f.log), s3("s3", &f.log), s4("s4", &f.log);
        for (LogSubscriber* s : {&s1, &s2, &s3})
            f.pub.Subscribe("t", s);
        f.log.clear();
        s1.hook = [&](const QString& topic, int value) {
            if (value == 1) {
                f.pub.Unsubscribe(topic, &s3);
                f.pub.Subscribe(topic, &s4);
                f.pub.Publish(topic, 2);
                f.log << QString("count:%1").arg(f.pub.SubscriberCount(topic));  // nothing ran yet
            }
        };
        s2.hook = [&](const QString& topic, int value) {
            if (value == 1)
                f.pub.Publish(topic, 3);
        };
        f.pub.Publish("t", 1);
        QCOMPARE(f.log, QStringList({"s1:t=1", "count:3", "s2:t=1", "s3:t=1",  // the pass
                                     "subscribe:t",                            // s4 arrives
                                     "s1:t=2", "s2:t=2", "s4:t=2",             // s1's publish
                                     "s1:t=3", "s2:t=3", "s4:t=3"}));          // s2's publish
        QCOMPARE(s3.GetPublisher(), nullptr);
        // Every subscriber leaving inside the pass: the topic goes once the pass is over, and
        // the publish queued meanwhile finds no topic.
        f.log.clear();
        s1.hook = [&](const QString& topic, int) {
            for (LogSubscriber* s : {&s1, &s2, &s4})
                f.pub.Unsubscribe(topic, s);
            f.pub.Publish(topic, 5);
        };
        s2.hook = [&](const QString&, int) {
            f.log << QString("topic:%1").arg(f.pub.HasTopic("t"));
        };
        f.pub.Publish("t", 4);
        QCOMPARE(f.log, QStringList({"s1:t=4", "s2:t=4", "topic:1", "s4:t=4", "deleted:t"}));
    }

    // Every delivery on "t" republishes once from inside its callback; each thread's queue is
    // drained by that thread, so every echo arrives exactly once. Meanwhile each thread makes
    // and removes a topic of its own, which must open and close in pairs.
    void concurrentClientsWithReentrantSubscribers() {
        constexpr int kThreads = 3;
        constexpr int kRounds = 300;
        Pub pub;
        std::atomic<int> originals{0}, echoes{0}, inserted{0}, deleted{0};
        pub.SetOnTopicInsertedListener(std::make_shared<LambdaOnTopicInsertedListener<QString>>(
            [&](const QString&) { ++inserted; }));
        pub.SetOnTopicDeletedListener(std::make_shared<LambdaOnTopicDeletedListener<QString>>(
            [&](const QString&) { ++deleted; }));
        LambdaSubscriber<QString, int> echo([&](const QString& topic, const int& value) {
            ++(value >= 0 ? originals : echoes);
            if (value >= 0)
                pub.Publish(topic, -1);
        });
        pub.Subscribe("t", &echo);
        std::vector<int> own(kThreads, 0);                // written under the publisher's lock
        std::deque<LambdaSubscriber<QString, int>> subs;  // built before the threads start
        for (int i = 0; i < kThreads; ++i)
            subs.emplace_back([&own, i](const QString&, const int&) { ++own[i]; });
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) {
            threads.emplace_back([&, i] {
                const QString mine = QString::number(i);
                for (int n = 0; n < kRounds; ++n) {
                    pub.Publish("t", i);
                    pub.Subscribe(mine, &subs[i]);
                    pub.Publish(mine, n);
                    pub.Unsubscribe(mine, &subs[i]);
                    pub.Publish(mine, n);  // not subscribed any more: not delivered
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
        QCOMPARE(originals.load(), kThreads * kRounds);
        QCOMPARE(echoes.load(), kThreads * kRounds);
        QCOMPARE(own, std::vector<int>(kThreads, kRounds));
        QCOMPARE(inserted.load(), 1 + kThreads * kRounds);
        QCOMPARE(deleted.load(), kThreads * kRounds);
        QCOMPARE(pub.Topics(), std::set<QString>({"t"}));
    }

    void subscriptionListUndoesInOrderAndDeletesOwnedOnly() {
        int destroyed = 0;
        struct Counted : LambdaSubscriber<QString, QByteArray> {
            explicit Counted(int* n) : n_(n) {}
            ~Counted() override { ++*n_; }
            int* n_;
        };
        Publisher<QString, QByteArray> broadcaster;
        QStringList received;
        LambdaSubscriber<QString, QByteArray> lasting(
            [&](const QString& key, const QByteArray& value) { received << key + "=" + value; });
        {
            SubscriptionList<> list;
            QVERIFY(!list.Add(nullptr, "k", &lasting, false));
            QVERIFY(list.Add(&broadcaster, "clear", new Counted(&destroyed), true));
            QVERIFY(list.Add(&broadcaster, "clear", &lasting, false));
            QVERIFY(list.Add(&broadcaster, "other", new Counted(&destroyed), true));
            QCOMPARE(list.Size(), 3);
            broadcaster.Publish("clear", "SZ");
        }  // the destructor clears
        QCOMPARE(destroyed, 2);
        QVERIFY(broadcaster.Topics().empty());
        QCOMPARE(lasting.GetPublisher(), nullptr);
        broadcaster.Publish("clear", "SH");
        QCOMPARE(received, QStringList({"clear=SZ"}));
    }
};

QTEST_GUILESS_MAIN(TstSubscriber)
#include "tst_subscriber.moc"
