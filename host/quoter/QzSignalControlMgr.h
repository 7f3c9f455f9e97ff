#pragma once

#include <QList>
#include <QMap>
#include <QMutex>
#include <QString>
#include <QVariant>

#include <functional>

#include "host/quoter/SignalFastTen.h"

// The client's signal manager: data sources publish signals on text topics; client observers
// subscribe to a topic. It also keeps the recent messages per topic so that tests and
// diagnostics can read what was signalled.
// Threads: all operations take the manager's mutex; observers are called after it is released,
// on the publishing thread, in subscription order.
class QzSignalControlMgr {
public:
    using Observer = std::function<void(const QString& topic, const QVariant& payload)>;
    static constexpr int kKeptMessagesPerTopic = 256;  // messages

    static QzSignalControlMgr* GetInstance();

    // Publishes the flag byte (as an int QVariant) on the topic's text.
    void PublishMsg(const Topic_SignalFastTen& topic, const Source_SignalFastTen& source);
    void Publish(const QString& topic, const QVariant& payload);

    int Subscribe(const QString& topic, Observer observer);  // a subscription id
    void Unsubscribe(int subscriptionId);

    int MessageCount(const QString& topic) const;          // since start or the last Reset
    QList<QVariant> Messages(const QString& topic) const;  // the last kept ones, oldest first
    QVariant LastMessage(const QString& topic) const;      // invalid when none
    // Forgets messages and observers (tests).
    void Reset();

private:
    QzSignalControlMgr() = default;

    struct Subscription {
        int id;
        QString topic;
        Observer observer;
    };

    mutable QMutex mutex_;
    int next_subscription_id_ = 1;
    QList<Subscription> subscriptions_;
    QMap<QString, int> counts_;
    QMap<QString, QList<QVariant>> kept_;
};
