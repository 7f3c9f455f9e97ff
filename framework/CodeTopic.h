#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QtGlobal>

#include <string>

// The request key of the polled per-code functions (12915, 12917, 12930, 12932, 12973): the
// security code (UTF-8 bytes) and the creation time, which only travels with the request. Topics
// are compared, ordered and hashed by the code alone. FunctionId keeps each function's topics a
// type of their own.
// Threads: a plain value.
template <int FunctionId>
struct CodeTopic {
    std::string code;
    qint64 created_ms = 0;  // ms since the epoch, when the topic was made

    CodeTopic() = default;
    CodeTopic(const QString& c, qint64 createdMs) : code(c.toStdString()), created_ms(createdMs) {}

    QString Code() const { return QString::fromStdString(code); }
    qint64 Timestamp() const { return created_ms; }  // for RecentRequestSet

    bool operator<(const CodeTopic& o) const { return code < o.code; }
    bool operator==(const CodeTopic& o) const { return code == o.code; }
    bool operator!=(const CodeTopic& o) const { return code != o.code; }
};

template <int FunctionId>
uint qHash(const CodeTopic<FunctionId>& topic, uint seed = 0) {
    return qHashBits(topic.code.data(), topic.code.size(), seed);  // qHash of the bytes, no copy
}
