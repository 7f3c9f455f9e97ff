#include "host/quoter/QzSignalControlMgr.h"

#include <QMutexLocker>

QzSignalControlMgr* QzSignalControlMgr::GetInstance() {
    static QzSignalControlMgr instance;
    return &instance;
}

void QzSignalControlMgr::PublishMsg(const Topic_SignalFastTen& topic,
                                    const Source_SignalFastTen& source) {
    Publish(topic.GetText(), QVariant(static_cast<int>(source.GetFlag())));
}

void QzSignalControlMgr::Publish(const QString& topic, const QVariant& payload) {
    QList<Observer> observers;
    {
        QMutexLocker lock(&mutex_);
        ++counts_[topic];
        QList<QVariant>& kept = kept_[topic];
        kept.append(payload);
        if (kept.size() > kKeptMessagesPerTopic) {
            kept.removeFirst();
        }
        for (const Subscription& s : subscriptions_) {
            if (s.topic == topic) {
                observers << s.observer;
            }
        }
    }
    for (const Observer& observer : observers) {
        observer(topic, payload);
    }
}

int QzSignalControlMgr::Subscribe(const QString& topic, Observer observer) {
    QMutexLocker lock(&mutex_);
    const int id = next_subscription_id_++;
    subscriptions_.append(Subscription{id, topic, std::move(observer)});
    return id;
}

void QzSignalControlMgr::Unsubscribe(int subscriptionId) {
    QMutexLocker lock(&mutex_);
    for (int i = 0; i < subscriptions_.size(); ++i) {
        if (subscriptions_.at(i).id == subscriptionId) {
            subscriptions_.removeAt(i);
            return;
        }
    }
}

int QzSignalControlMgr::MessageCount(const QString& topic) const {
    QMutexLocker lock(&mutex_);
    return counts_.value(topic, 0);
}

QList<QVariant> QzSignalControlMgr::Messages(const QString& topic) const {
    QMutexLocker lock(&mutex_);
    return kept_.value(topic);
}

QVariant QzSignalControlMgr::LastMessage(const QString& topic) const {
    QMutexLocker lock(&mutex_);
    const QList<QVariant> kept = kept_.value(topic);
    return kept.isEmpty() ? QVariant() : kept.last();
}

void QzSignalControlMgr::Reset() {
    QMutexLocker lock(&mutex_);
    subscriptions_.clear();
    counts_.clear();
    kept_.clear();
}
