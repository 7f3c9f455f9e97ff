#pragma once

#include <QString>
#include <QtGlobal>

// The fast-ten signal: its topic ("fast_ten_topic") and its source, the new flag byte.
// Threads: plain values.
class Topic_SignalFastTen {
public:
    static constexpr const char* kDefaultTopic = "fast_ten_topic";

    explicit Topic_SignalFastTen(const QString& text = QString::fromLatin1(kDefaultTopic))
        : text_(text) {}
    const QString& GetText() const { return text_; }

private:
    QString text_;
};

class Source_SignalFastTen {
public:
    explicit Source_SignalFastTen(qint8 flag = 0) : flag_(flag) {}
    qint8 GetFlag() const { return flag_; }

private:
    qint8 flag_;
};
