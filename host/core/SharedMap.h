#pragma once

#include <QList>
#include <QMap>
#include <QSharedData>
#include <QSharedDataPointer>

namespace nscell {

template <typename K, typename V>
class SharedMapEditor;

// An implicitly shared, copy-on-write map: copies share one QMap until one of them is edited
// through a SharedMapEditor. Reading never detaches. Keys iterate in ascending order.
//
// Threads: like Qt's implicitly shared containers: distinct copies may be used on distinct
// threads; one object must not be edited while another thread uses it.
template <typename K, typename V>
class SharedMap {
public:
    SharedMap() : d_(new Data) {}

    bool Contains(const K& key) const { return d_->map.contains(key); }
    int Size() const { return d_->map.size(); }
    bool IsEmpty() const { return d_->map.isEmpty(); }
    const V* Find(const K& key) const {
        auto it = d_->map.constFind(key);
        return it == d_->map.constEnd() ? nullptr : &it.value();
    }
    V Value(const K& key, const V& missing = V()) const { return d_->map.value(key, missing); }
    QList<K> Keys() const { return d_->map.keys(); }
    const QMap<K, V>& Map() const { return d_->map; }
    bool IsSharedWith(const SharedMap& other) const {
        return d_.constData() == other.d_.constData();
    }

    bool operator==(const SharedMap& o) const { return IsSharedWith(o) || d_->map == o.d_->map; }
    bool operator!=(const SharedMap& o) const { return !(*this == o); }

private:
    friend class SharedMapEditor<K, V>;
    struct Data : QSharedData {
        QMap<K, V> map;
    };
    QMap<K, V>& Writable() { return d_->map; }  // non-const access detaches

    QSharedDataPointer<Data> d_;
};

// Write access to a SharedMap. The first edit detaches the map from its other copies.
// Threads: as SharedMap; the editor must not outlive the map it edits.
template <typename K, typename V>
class SharedMapEditor {
public:
    explicit SharedMapEditor(SharedMap<K, V>& map) : map_(map) {}

    void Set(const K& key, const V& value) { map_.Writable().insert(key, value); }
    bool Remove(const K& key) { return map_.Writable().remove(key) > 0; }
    void Clear() { map_.Writable().clear(); }
    V& operator[](const K& key) { return map_.Writable()[key]; }

private:
    SharedMap<K, V>& map_;
};

}  // namespace nscell
