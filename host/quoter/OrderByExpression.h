#pragma once

#include <QString>

// The sort a node asks for: one field, ascending or descending. An empty field means unsorted.
// Threads: a plain value.
class OrderByExpression {
public:
    OrderByExpression() = default;
    OrderByExpression(const QString& field, bool ascending)
        : field_(field), ascending_(ascending) {}

    const QString& GetField() const { return field_; }
    bool IsAscending() const { return ascending_; }
    bool IsEmpty() const { return field_.isEmpty(); }

    bool operator==(const OrderByExpression& o) const {
        return field_ == o.field_ && ascending_ == o.ascending_;
    }
    bool operator!=(const OrderByExpression& o) const { return !(*this == o); }

private:
    QString field_;
    bool ascending_ = true;
};
