#pragma once

#include <QList>
#include <QSharedData>
#include <QSharedDataPointer>
#include <QVarLengthArray>

#include <algorithm>
#include <utility>

namespace nscell {

template <typename K, typename V>
class SharedMap;
template <typename K, typename V>
class SharedMapEditor;

// The block a SharedMap's entries live in: sorted by key, the first kInline of them inside the
// block itself, so a small map is one allocation (a quote row has four to six cells).
template <typename K, typename V>
struct SharedMapBlock : QSharedData {
    static constexpr int kInline = 6;  // entries held without a second allocation
    QVarLengthArray<std::pair<K, V>, kInline> entries;
};

// An implicitly shared, copy-on-write map: copies share one block until one of them is edited
// through a SharedMapEditor. Reading never detaches. Keys iterate in ascending order. All empty
// maps share one block, so an empty map costs no allocation.
//
// Threads: like Qt's implicitly shared containers: distinct copies may be used on distinct
// threads; one object must not be edited while another thread uses it.
template <typename K, typename V>
class SharedMap {
public:
    using Entry = std::pair<K, V>;
    using const_iterator = const Entry*;

    SharedMap() : d_(EmptyBlock()) {}

    bool Contains(const K& key) const { return Find(key) != nullptr; }
    int Size() const { return d_->entries.size(); }
    bool IsEmpty() const { return d_->entries.isEmpty(); }
    const V* Find(const K& key) const {
        const Entry* at = LowerBound(key);
        return at != end() && !(key < at->first) ? &at->second : nullptr;
    }
    V Value(const K& key, const V& missing = V()) const {
        const V* found = Find(key);
        return found != nullptr ? *found : missing;
    }
    QList<K> Keys() const {
        QList<K> keys;
        keys.reserve(Size());
        for (const Entry& entry : *this) {
            keys.append(entry.first);
        }
        return keys;
    }
    const_iterator begin() const { return d_->entries.constData(); }
    const_iterator end() const { return begin() + Size(); }
    bool IsSharedWith(const SharedMap& other) const {
        return d_.constData() == other.d_.constData();
    }

    bool operator==(const SharedMap& o) const {
        return IsSharedWith(o) || std::equal(begin(), end(), o.begin(), o.end());
    }
    bool operator!=(const SharedMap& o) const { return !(*this == o); }

private:
    friend class SharedMapEditor<K, V>;
    using Block = SharedMapBlock<K, V>;

    // Never freed: its own reference keeps it alive for every empty map of the process.
    static Block* EmptyBlock() {
        static Block* const empty = [] {
            auto* block = new Block;
            block->ref.ref();
            return block;
        }();
        return empty;
    }
    const Entry* LowerBound(const K& key) const {
        return std::lower_bound(begin(), end(), key,
                                [](const Entry& entry, const K& k) { return entry.first < k; });
    }
    // Non-const access detaches the block from the map's other copies.
    QVarLengthArray<Entry, Block::kInline>& Writable() { return d_->entries; }

    QSharedDataPointer<Block> d_;
};

// Write access to a SharedMap. The first edit detaches the map from its other copies.
// Threads: as SharedMap; the editor must not outlive the map it edits.
template <typename K, typename V>
class SharedMapEditor {
public:
    explicit SharedMapEditor(SharedMap<K, V>& map) : map_(map) {}

    void Set(const K& key, const V& value) { operator[](key) = value; }
    bool Remove(const K& key) {
        if (!map_.Contains(key)) {
            return false;
        }
        auto& entries = map_.Writable();
        entries.erase(Position(entries, key));
        return true;
    }
    void Clear() {
        if (!map_.IsEmpty()) {
            map_ = SharedMap<K, V>();
        }
    }
    V& operator[](const K& key) {
        auto& entries = map_.Writable();
        if (entries.isEmpty() || entries.last().first < key) {
            // Rows are mostly built column by column in key order: one comparison, no search.
            entries.append(std::make_pair(key, V()));
            return entries.last().second;
        }
        auto at = Position(entries, key);
        if (at == entries.end() || key < at->first) {
            at = entries.insert(at, std::make_pair(key, V()));
        }
        return at->second;
    }

private:
    template <typename Entries>
    static auto Position(Entries& entries, const K& key) {
        return std::lower_bound(
            entries.begin(), entries.end(), key,
            [](const std::pair<K, V>& entry, const K& k) { return entry.first < k; });
    }

    SharedMap<K, V>& map_;
};

}  // namespace nscell
