#pragma once

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <random>

#include "host/access/ServerBackend.h"

// A quote server that lies: between the accessors and another backend (the simulated market), it
// spoils a share of the answers and pushes that name a "dirty" stock as a broken server or link
// would (see Spoil).
// Threads: the inner backend calls the links under its own lock; the proxies guard their state
// with the backend's mutex as well; `spoiled` is read once the traffic is over.
class CorruptingBackend : public IServerBackend {
public:
    // Truncated, bit-flipped (the decoders' tests name every other malformed body), a 12989
    // answer without its context, duplicated, held behind the next one.
    enum class Spoil { Truncated, BitFlipped, NoContext, Duplicated, Reordered, Count };

    CorruptingBackend(std::shared_ptr<IServerBackend> inner, QSet<QString> dirtyCodes, int percent,
                      quint32 seed);
    ~CorruptingBackend() override;

    void Attach(IServerLink* link) override;
    void Detach(IServerLink* link) override;
    void OnRequest(IServerLink* link, const ServerRequest& request) override;

    // Delivers whatever is held back for reordering.
    void Flush();

private:
    class Link;
    friend class Link;

    static void Deliver(IServerLink* target, int funcId, const ServerRequest* request,
                        const QByteArray& body);
    QByteArray SpoilBody(Spoil kind, const QByteArray& body);
    std::optional<Spoil> Pick(int funcId, const QString& code);

    const std::shared_ptr<IServerBackend> inner_;
    const QSet<QString> dirty_;
    const int percent_;
    mutable QMutex mutex_{QMutex::Recursive};  // guards everything below
    std::mt19937 random_;
    QHash<IServerLink*, Link*> links_;  // accessor link -> proxy (owned)

public:
    QMap<Spoil, int> spoiled;  // spoils applied, by kind
};
