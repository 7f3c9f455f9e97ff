#pragma once

#include <QHash>
#include <QString>

#include <string>

// The topic of the fast quote: the stock code (market prefix followed by the code, UTF-8 bytes),
// ordered byte-wise.
// Threads: a plain value.
struct ResponsePkgTopic_12989 {
    std::string code;

    ResponsePkgTopic_12989() = default;
    explicit ResponsePkgTopic_12989(std::string c) : code(std::move(c)) {}
    explicit ResponsePkgTopic_12989(const QString& c) : code(c.toStdString()) {}

    QString Code() const { return QString::fromStdString(code); }

    bool operator<(const ResponsePkgTopic_12989& o) const { return code < o.code; }
    bool operator==(const ResponsePkgTopic_12989& o) const { return code == o.code; }
    bool operator!=(const ResponsePkgTopic_12989& o) const { return code != o.code; }
};

inline uint qHash(const ResponsePkgTopic_12989& topic, uint seed = 0) {
    return qHashBits(topic.code.data(), topic.code.size(), seed);  // qHash of the bytes, no copy
}
