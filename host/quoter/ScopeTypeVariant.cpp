#include "host/quoter/ScopeTypeVariant.h"

ScopeTypeVariant::ScopeTypeVariant(int value) : is_int_(true), int_(value) {}

ScopeTypeVariant::ScopeTypeVariant(const char* text) : text_(text ? text : "") {}

ScopeTypeVariant::ScopeTypeVariant(const QString& text) : text_(text.toStdString()) {}

ScopeTypeVariant::ScopeTypeVariant(const std::string& text) : text_(text) {}

int ScopeTypeVariant::ToInt() const {
    if (is_int_) {
        return int_;
    }
    bool ok = false;
    const int value = QString::fromStdString(text_).toInt(&ok);
    return ok ? value : 0;
}

std::string ScopeTypeVariant::ToStdString() const {
    return is_int_ ? std::to_string(int_) : text_;
}

QString ScopeTypeVariant::ToQString() const {
    return is_int_ ? QString::number(int_) : QString::fromStdString(text_);
}

bool ScopeTypeVariant::operator==(const ScopeTypeVariant& other) const {
    if (is_int_ != other.is_int_) {
        return false;
    }
    return is_int_ ? int_ == other.int_ : text_ == other.text_;
}

bool ScopeTypeVariant::operator<(const ScopeTypeVariant& other) const {
    if (is_int_ != other.is_int_) {
        return is_int_;  // numbers first
    }
    return is_int_ ? int_ < other.int_ : text_ < other.text_;
}

uint qHash(const ScopeTypeVariant& type, uint seed) {
    if (type.IsInt()) {
        return ::qHash(type.ToInt(), seed);
    }
    return ::qHash(QByteArray::fromStdString(type.ToStdString()), seed ^ 0x9e3779b9u);
}
