#pragma once

#include <QMetaType>
#include <QString>
#include <QtGlobal>

#include "host/core/UnsharedDataCell.h"

// A typed value carried in request contexts: empty, a text, a 32- or 64-bit integer, a pair of
// ints, or a data cell. Conversions: ToString renders the value ("a,b" for a pair); ToInt and
// ToInt64 give the integer (the first of a pair; a text parsed as decimal, 0 if it is not one;
// a cell's ToInt64).
//
// Threads: a plain value; copies may be used on any thread.
class CTVar {
public:
    enum class Type : quint8 { Empty, Text, Int, Int64, IntPair, Cell };

    CTVar() = default;
    explicit CTVar(const QString& text);
    explicit CTVar(int value);
    explicit CTVar(qint64 value);
    CTVar(int first, int second);
    static CTVar FromDataCell(const nscell::UnsharedDataCell& cell);

    Type type() const { return type_; }
    bool IsEmpty() const { return type_ == Type::Empty; }
    QString ToString() const;
    int ToInt() const { return int(ToInt64()); }
    qint64 ToInt64() const;
    int First() const { return int(first_); }
    int Second() const { return second_; }
    nscell::UnsharedDataCell ToDataCell() const;  // the cell of a cell value, else an empty cell

    bool operator==(const CTVar& o) const;
    bool operator!=(const CTVar& o) const { return !(*this == o); }

private:
    Type type_ = Type::Empty;
    qint64 first_ = 0;  // Int, Int64, first of IntPair
    int second_ = 0;    // second of IntPair
    QString text_;
    nscell::UnsharedDataCell cell_;
};
Q_DECLARE_METATYPE(CTVar)
