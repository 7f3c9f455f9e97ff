#pragma once

#include <QString>
#include <QStringList>

// The ex-rights (price adjustment) modes a node asks for, e.g. "xrtype_none".
// Threads: a plain value.
class XrListExpression {
public:
    XrListExpression() = default;

    static XrListExpression FromXr(const QString& xr);
    static XrListExpression FromXrList(const QStringList& xrs);

    // The first mode, or an empty text when none is given.
    QString GetXr() const { return xrs_.isEmpty() ? QString() : xrs_.first(); }
    const QStringList& GetXrList() const { return xrs_; }
    bool IsEmpty() const { return xrs_.isEmpty(); }

    bool operator==(const XrListExpression& o) const { return xrs_ == o.xrs_; }
    bool operator!=(const XrListExpression& o) const { return xrs_ != o.xrs_; }

private:
    QStringList xrs_;
};
