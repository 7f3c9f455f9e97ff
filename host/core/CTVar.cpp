#include "host/core/CTVar.h"

CTVar::CTVar(const QString& text) : type_(Type::Text), text_(text) {}

CTVar::CTVar(int value) : type_(Type::Int), first_(value) {}

CTVar::CTVar(qint64 value) : type_(Type::Int64), first_(value) {}

CTVar::CTVar(int first, int second) : type_(Type::IntPair), first_(first), second_(second) {}

CTVar CTVar::FromDataCell(const nscell::UnsharedDataCell& cell) {
    CTVar var;
    var.type_ = Type::Cell;
    var.cell_ = cell;
    return var;
}

QString CTVar::ToString() const {
    switch (type_) {
        case Type::Empty:
            return QString();
        case Type::Text:
            return text_;
        case Type::Int:
        case Type::Int64:
            return QString::number(first_);
        case Type::IntPair:
            return QString::number(first_) + QLatin1Char(',') + QString::number(second_);
        case Type::Cell:
            return cell_.ToString();
    }
    return QString();
}

qint64 CTVar::ToInt64() const {
    switch (type_) {
        case Type::Empty:
            return 0;
        case Type::Text:
            return text_.trimmed().toLongLong();  // 0 when not a number
        case Type::Int:
        case Type::Int64:
        case Type::IntPair:
            return first_;
        case Type::Cell:
            return cell_.ToInt64();
    }
    return 0;
}

nscell::UnsharedDataCell CTVar::ToDataCell() const {
    return type_ == Type::Cell ? cell_ : nscell::UnsharedDataCell();
}

bool CTVar::operator==(const CTVar& o) const {
    return type_ == o.type_ && first_ == o.first_ && second_ == o.second_ && text_ == o.text_ &&
           cell_ == o.cell_;
}
