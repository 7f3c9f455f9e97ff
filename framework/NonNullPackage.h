#pragma once

#include <QSharedPointer>

#include <utility>

// A shared pointer to a decoded package entity that is never null: default construction and
// construction from a null pointer both make a fresh entity. Published packages are shared by
// every subscriber and the host; treat the entity as immutable once published and build a new
// package to change it (see Modified).
// Threads: as QSharedPointer; the entity itself is a value object.
// (Plain new rather than QSharedPointer::create: GCC 12 warns falsely on the inlined create.)
template <typename Entity>
class NonNullPackage {
public:
    NonNullPackage() : entity_(QSharedPointer<Entity>(new Entity())) {}
    explicit NonNullPackage(QSharedPointer<Entity> entity)
        : entity_(entity.isNull() ? QSharedPointer<Entity>(new Entity()) : std::move(entity)) {}
    explicit NonNullPackage(const Entity& value)
        : entity_(QSharedPointer<Entity>(new Entity(value))) {}

    const Entity& operator*() const { return *entity_; }
    const Entity* operator->() const { return entity_.data(); }
    QSharedPointer<Entity> Shared() const { return entity_; }

    // A package holding a copy of this one's entity, for changing without touching the shared one.
    NonNullPackage Copy() const { return NonNullPackage(*entity_); }
    Entity& Mutable() { return *entity_; }  // only on a package not yet published

    bool SameEntity(const NonNullPackage& other) const { return entity_ == other.entity_; }

private:
    QSharedPointer<Entity> entity_;
};
