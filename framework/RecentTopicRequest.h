#pragma once

#include <QtGlobal>

// A request for a topic as RecentRequestSet remembers it: the topic and when it was sent (ms
// since the epoch). Two are the same request when their topics are equal; the order adds the
// time last so that sends at different times stay distinct in ordered containers.
// Threads: a plain value.
template <typename Topic>
struct RecentTopicRequest {
    Topic topic;
    qint64 sent_ms = 0;

    qint64 Timestamp() const { return sent_ms; }
    bool operator==(const RecentTopicRequest& o) const { return topic == o.topic; }
    bool operator<(const RecentTopicRequest& o) const {
        if (topic < o.topic) {
            return true;
        }
        if (o.topic < topic) {
            return false;
        }
        return sent_ms < o.sent_ms;
    }
};
