#pragma once

#include <QString>

#include <string>

// The topic of the minute indicator: the security code.
// Threads: a plain value.
struct ResponsePkgTopic_12988 {
    std::string code;

    QString Code() const { return QString::fromStdString(code); }
    bool operator<(const ResponsePkgTopic_12988& o) const { return code < o.code; }
    bool operator==(const ResponsePkgTopic_12988& o) const { return code == o.code; }
};
