#pragma once

#include <QString>
#include <QStringList>

// The field names a scope tree node asks for ("money_flow_today", "supl", ...).
// The text form joins the keys with ",", and a text given to FromKeyList is split at ","
// (empty parts dropped), so a key list survives a round trip through its text.
// Threads: a plain value.
class KeyListExpression {
public:
    KeyListExpression() = default;

    static KeyListExpression FromKeyList(const QStringList& keys);
    static KeyListExpression FromKeyList(const QString& text);
    static KeyListExpression FromKeyList(const char* text) { return FromKeyList(QString(text)); }

    const QStringList& GetKeyList() const { return keys_; }
    QString ToText() const { return keys_.join(QLatin1Char(',')); }
    bool Contains(const QString& key) const { return keys_.contains(key); }
    bool IsEmpty() const { return keys_.isEmpty(); }

    bool operator==(const KeyListExpression& o) const { return keys_ == o.keys_; }
    bool operator!=(const KeyListExpression& o) const { return keys_ != o.keys_; }

private:
    QStringList keys_;
};
