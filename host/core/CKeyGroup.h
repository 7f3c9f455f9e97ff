#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include "host/core/CTVar.h"

// An ordered list of key -> CTVar pairs, kept in the order keys were first appended.
// Appending a key that is present replaces its value in place; a missing key reads as an
// empty CTVar.
//
// Threads: a plain value; copies may be used on any thread.
class CKeyGroup {
public:
    void Append(const QString& key, const CTVar& value);
    CTVar Value(const QString& key) const;
    bool Contains(const QString& key) const { return IndexOf(key) >= 0; }
    int Size() const { return items_.size(); }
    bool IsEmpty() const { return items_.isEmpty(); }
    QList<QPair<QString, CTVar>> Items() const { return items_; }

private:
    int IndexOf(const QString& key) const;

    QList<QPair<QString, CTVar>> items_;
};
