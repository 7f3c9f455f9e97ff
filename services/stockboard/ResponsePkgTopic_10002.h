#pragma once

#include <QHash>
#include <QString>

#include <string>
#include <tuple>

// The request key of the per-stock calls (10002, 12755, 10012): the stock code (market prefix
// followed by the code, UTF-8 bytes) and the kind ("10001" for topics kept up to date by push,
// "10002" for snapshot-polled topics, or the serving call's own type such as
// "12755_stock_related" / "10012"). Ordered by code, then kind.
// Threads: a plain value.
struct ResponsePkgTopic_10002 {
    std::string code;
    std::string kind;

    ResponsePkgTopic_10002() = default;
    ResponsePkgTopic_10002(std::string c, std::string k) : code(std::move(c)), kind(std::move(k)) {}
    ResponsePkgTopic_10002(const QString& c, const QString& k)
        : code(c.toStdString()), kind(k.toStdString()) {}

    ResponsePkgTopic_10002(const char* c, const char* k) : code(c), kind(k) {}

    QString Code() const { return QString::fromStdString(code); }
    QString Kind() const { return QString::fromStdString(kind); }

    bool operator<(const ResponsePkgTopic_10002& o) const {
        return std::tie(code, kind) < std::tie(o.code, o.kind);
    }
    bool operator==(const ResponsePkgTopic_10002& o) const {
        return code == o.code && kind == o.kind;
    }
    bool operator!=(const ResponsePkgTopic_10002& o) const { return !(*this == o); }
};

inline uint qHash(const ResponsePkgTopic_10002& topic, uint seed = 0) {
    // qHash of each field's bytes, without copying them into a QByteArray first.
    return qHashBits(topic.code.data(), topic.code.size(), seed) ^
           qHashBits(topic.kind.data(), topic.kind.size(), seed + 1);
}

namespace topic_kind {
constexpr const char* kPush = "10001";      // kept up to date by server pushes
constexpr const char* kSnapshot = "10002";  // polled by snapshot requests
constexpr const char* kStockRelated12755 = "12755_stock_related";
constexpr const char* k10012 = "10012";
}  // namespace topic_kind
