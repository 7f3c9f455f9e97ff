#include <QtTest>

#include <functional>

#include "host/tolk/subscriber/Subscriber.h"

using namespace kestrov::tolk::subscriber;

namespace {

using Obs = Observable<QString, int>;

// Logs "name:value" and then runs an optional hook.
class LogSubscriber : public Subscriber<QString, int> {
public:
    LogSubscriber(const QString& name, QStringList* log) : name_(name), log_(log) {}

    std::function<void(int)> hook;

    void OnPublish(const QString&, const int& value) override {
        *log_ << QString("%1:%2").arg(name_).arg(value);
        if (hook) {
            hook(value);
        }
    }

private:
    QString name_;
    QStringList* log_;
};

}  // namespace

class TstObservable : public QObject {
    Q_OBJECT

private slots:
    void attachIsIdempotentAndNotifiesInAttachOrder() {
        QStringList log;
        LogSubscriber subs[3] = {{"a", &log}, {"b", &log}, {"c", &log}};
        Obs observable;
        // Attach in reverse of address order, so set order and attach order differ.
        QVERIFY(observable.Attach(&subs[2]));
        QVERIFY(observable.Attach(&subs[0]));
        QVERIFY(observable.Attach(&subs[1]));
        QVERIFY(observable.Attach(&subs[2]));
        QCOMPARE(observable.Count(), 3);

        observable.Notify("t", 1);
        QCOMPARE(log, QStringList({"c:1", "a:1", "b:1"}));
    }

    void notifySkipsTheExcludedSubscriber() {
        QStringList log;
        LogSubscriber a("a", &log), b("b", &log), c("c", &log);
        Obs observable;
        observable.Attach(&a);
        observable.Attach(&b);
        observable.Attach(&c);
        observable.Notify("t", 7, &b);
        QCOMPARE(log, QStringList({"a:7", "c:7"}));
    }

    void detachRemovesOnlyThatSubscriber() {
        QStringList log;
        LogSubscriber a("a", &log), b("b", &log), stranger("x", &log);
        Obs observable;
        observable.Notify("t", 0);  // empty: nobody, no crash
        observable.Attach(&a);
        observable.Attach(&b);
        observable.Detach(&stranger);
        QCOMPARE(observable.Count(), 2);
        observable.Detach(&a);
        QCOMPARE(observable.Count(), 1);
        observable.Notify("t", 1);
        QCOMPARE(log, QStringList({"b:1"}));
        observable.Attach(&a);  // re-attached: now last in order
        observable.Notify("t", 2);
        QCOMPARE(log, QStringList({"b:1", "b:2", "a:2"}));
    }

    void detachDuringNotifyTakesEffectAtOnce() {
        QStringList log;
        LogSubscriber a("a", &log), b("b", &log), c("c", &log);
        Obs observable;
        observable.Attach(&a);
        observable.Attach(&b);
        observable.Attach(&c);
        a.hook = [&](int) {
            observable.Detach(&a);  // itself, while the pass stands on it
            observable.Detach(&b);  // the next one
        };
        observable.Notify("t", 1);
        QCOMPARE(log, QStringList({"a:1", "c:1"}));
        QCOMPARE(observable.Count(), 1);
        observable.Notify("t", 2);
        QCOMPARE(log, QStringList({"a:1", "c:1", "c:2"}));
    }

    void attachDuringNotifyWaitsForTheNextPass() {
        QStringList log;
        LogSubscriber a("a", &log), late("late", &log);
        Obs observable;
        observable.Attach(&a);
        a.hook = [&](int) { observable.Attach(&late); };
        observable.Notify("t", 1);
        QCOMPARE(log, QStringList({"a:1"}));
        a.hook = nullptr;
        observable.Notify("t", 2);
        QCOMPARE(log, QStringList({"a:1", "a:2", "late:2"}));
    }

    void detachAndReattachDuringNotify() {
        QStringList log;
        LogSubscriber a("a", &log), b("b", &log);
        Obs observable;
        observable.Attach(&a);
        observable.Attach(&b);
        a.hook = [&](int) {
            observable.Detach(&b);
            observable.Attach(&b);  // moves to the back, after this pass's end
        };
        observable.Notify("t", 1);
        QCOMPARE(log, QStringList({"a:1"}));
        QCOMPARE(observable.Count(), 2);
        a.hook = nullptr;
        observable.Notify("t", 2);
        QCOMPARE(log, QStringList({"a:1", "a:2", "b:2"}));
    }
};

QTEST_GUILESS_MAIN(TstObservable)
#include "tst_observable.moc"
