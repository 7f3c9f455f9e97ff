#include "host/core/CKeyGroup.h"

void CKeyGroup::Append(const QString& key, const CTVar& value) {
    const int at = IndexOf(key);
    if (at >= 0) {
        items_[at].second = value;
    } else {
        items_.append(qMakePair(key, value));
    }
}

CTVar CKeyGroup::Value(const QString& key) const {
    const int at = IndexOf(key);
    return at >= 0 ? items_.at(at).second : CTVar();
}

int CKeyGroup::IndexOf(const QString& key) const {
    for (int i = 0; i < items_.size(); ++i) {
        if (items_.at(i).first == key) {
            return i;
        }
    }
    return -1;
}
