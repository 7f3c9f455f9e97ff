#pragma once

#include <QHash>
#include <QPair>
#include <QString>

#include <set>

#include "host/quoter/ScopeTypeVariant.h"

// What a remote API call serves: the API types it accepts, plus named attribute pairs some calls
// carry (e.g. "6_10_max_vol" -> (1, 0x80)).
// Thread contract: a plain value; the owning call guards it with its call lock.
class SupportedTypeHolder {
public:
    void Insert(const ScopeTypeVariant& type) { types_.insert(type); }
    bool Contains(const ScopeTypeVariant& type) const { return types_.count(type) != 0; }
    const std::set<ScopeTypeVariant>& Types() const { return types_; }

    void SetAttribute(const QString& name, int first, int second) {
        attributes_.insert(name, qMakePair(first, second));
    }
    QPair<int, int> Attribute(const QString& name) const { return attributes_.value(name); }
    bool HasAttribute(const QString& name) const { return attributes_.contains(name); }

private:
    std::set<ScopeTypeVariant> types_;
    QHash<QString, QPair<int, int>> attributes_;
};
