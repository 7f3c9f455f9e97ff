#include <QtTest>

#include "host/tolk/subscriber/Subscriber.h"

using namespace kestrov::tolk::subscriber;

namespace {

using ISub = ISubscriber<QString, QByteArray>;
using IPub = IPublisher<QString, QByteArray>;

// Records the subscription calls it receives, in order.
class RecordingPublisher : public IPublisher<QString, QByteArray> {
public:
    QStringList calls;

    bool Subscribe(const QString& topic, ISub* s) override {
        calls << QString("sub:%1:%2").arg(topic, NameOf(s));
        return true;
    }
    void Unsubscribe(const QString& topic, ISub* s) override {
        calls << QString("unsub:%1:%2").arg(topic, NameOf(s));
    }
    void Publish(const QString&, const QByteArray&, ISub*) override {}
    void Publish(const QString&, const QByteArray&) override {}

    static QString NameOf(ISub* s);
};

// Counts its destructions in a shared counter.
class CountedSubscriber : public Subscriber<QString, QByteArray> {
public:
    CountedSubscriber(const QString& name, int* destroyed) : name(name), destroyed_(destroyed) {}
    ~CountedSubscriber() override { ++*destroyed_; }
    void OnPublish(const QString&, const QByteArray&) override {}

    QString name;

private:
    int* destroyed_;
};

QString RecordingPublisher::NameOf(ISub* s) {
    return static_cast<CountedSubscriber*>(s)->name;
}

}  // namespace

class TstSubscriptionList : public QObject {
    Q_OBJECT

private slots:
    void addRejectsNullPointers() {
        int destroyed = 0;
        RecordingPublisher publisher;
        CountedSubscriber s("s", &destroyed);
        SubscriptionList<> list;
        QVERIFY(!list.Add(nullptr, "k", &s, false));
        QVERIFY(!list.Add(&publisher, "k", nullptr, true));
        QCOMPARE(list.Size(), 0);
        QVERIFY(publisher.calls.isEmpty());
        list.Clear();
        QVERIFY(publisher.calls.isEmpty());
        QCOMPARE(destroyed, 0);
    }

    void clearUnsubscribesInOrderAndDeletesOwnedOnly() {
        int destroyed = 0;
        RecordingPublisher first, second;
        CountedSubscriber kept("kept", &destroyed);
        SubscriptionList<> list;
        QVERIFY(list.Add(&first, "k1", new CountedSubscriber("owned1", &destroyed), true));
        QVERIFY(list.Add(&second, "k2", &kept, false));
        QVERIFY(list.Add(&first, "k3", new CountedSubscriber("owned2", &destroyed), true));
        QCOMPARE(list.Size(), 3);
        QCOMPARE(first.calls, QStringList({"sub:k1:owned1", "sub:k3:owned2"}));
        QCOMPARE(second.calls, QStringList({"sub:k2:kept"}));

        list.Clear();
        QCOMPARE(first.calls, QStringList({"sub:k1:owned1", "sub:k3:owned2", "unsub:k1:owned1",
                                           "unsub:k3:owned2"}));
        QCOMPARE(second.calls, QStringList({"sub:k2:kept", "unsub:k2:kept"}));
        QCOMPARE(destroyed, 2);
        QCOMPARE(list.Size(), 0);

        list.Clear();  // already empty: no second unsubscribe or delete
        QCOMPARE(first.calls.size(), 4);
        QCOMPARE(destroyed, 2);
    }

    void destructorClears() {
        int destroyed = 0;
        Publisher<QString, QByteArray> broadcaster;
        QStringList received;
        LambdaSubscriber<QString, QByteArray> lasting(
            [&](const QString& key, const QByteArray& value) { received << key + "=" + value; });
        {
            SubscriptionList<> list;
            list.Add(&broadcaster, "clear-market", new CountedSubscriber("owned", &destroyed),
                     true);
            list.Add(&broadcaster, "clear-market", &lasting, false);
            QCOMPARE(broadcaster.SubscriberCount("clear-market"), 2);
            QCOMPARE(lasting.GetPublisher(), static_cast<IPub*>(&broadcaster));
            broadcaster.Publish("clear-market", "SZ");
        }
        QCOMPARE(destroyed, 1);
        QVERIFY(!broadcaster.HasTopic("clear-market"));
        QCOMPARE(lasting.GetPublisher(), nullptr);
        broadcaster.Publish("clear-market", "SH");
        QCOMPARE(received, QStringList({"clear-market=SZ"}));
    }
};

QTEST_GUILESS_MAIN(TstSubscriptionList)
#include "tst_subscriptionlist.moc"
