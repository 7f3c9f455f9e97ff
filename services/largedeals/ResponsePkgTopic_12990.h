#pragma once

#include <QString>
#include <QtGlobal>

#include <string>
#include <tuple>

// What a large-deal request asks for: the stock, the indicator ("ddts": the latest large deal;
// any other name pages through the day's large deals by index and count) and when the topic was
// made (ms since the epoch). The creation time travels with the request and comes back with its
// answer but is not part of the identity: the same request made twice is one topic.
// Threads: a plain value.
struct ResponsePkgTopic_12990 {
    std::string code;
    std::string ind_name;
    qint32 index = 0;
    qint32 count = 0;
    qint64 created_ms = 0;

    ResponsePkgTopic_12990() = default;
    ResponsePkgTopic_12990(const QString& stockCode, const QString& indicator, qint32 idx = 0,
                           qint32 cnt = 0, qint64 createdMs = 0)
        : code(stockCode.toStdString()),
          ind_name(indicator.toStdString()),
          index(idx),
          count(cnt),
          created_ms(createdMs) {}

    QString Code() const { return QString::fromStdString(code); }
    QString IndName() const { return QString::fromStdString(ind_name); }
    QString Kind() const { return IndName(); }

    bool operator<(const ResponsePkgTopic_12990& o) const {
        return std::tie(code, ind_name, index, count) <
               std::tie(o.code, o.ind_name, o.index, o.count);
    }
    bool operator==(const ResponsePkgTopic_12990& o) const {
        return std::tie(code, ind_name, index, count) ==
               std::tie(o.code, o.ind_name, o.index, o.count);
    }
    bool operator!=(const ResponsePkgTopic_12990& o) const { return !(*this == o); }
};
