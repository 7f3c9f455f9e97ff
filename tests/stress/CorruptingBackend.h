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
// would (see Spoil). It counts, per function, the delivered bodies the decoders must reject, by
// decoding each the way the receiving call does.
// Threads: the inner backend calls the links under its own lock; the proxies guard their state
// with the backend's mutex as well. Counts are read once the traffic is over.
class CorruptingBackend : public IServerBackend {
public:
    // Truncated, bit-flipped, record counts of 0xFFFF, the other function's body, empty, 1 MiB
    // of random bytes, a 12989 answer without its context, duplicated, held behind the next one.
    enum class Spoil {
        Truncated,
        BitFlipped,
        CountsFFFF,
        OtherFunction,
        Empty,
        Random1MiB,
        NoContext,
        Duplicated,
        Reordered,
        Count
    };

    CorruptingBackend(std::shared_ptr<IServerBackend> inner, QSet<QString> dirtyCodes, int percent,
                      quint32 seed);
    ~CorruptingBackend() override;

    void Attach(IServerLink* link) override;
    void Detach(IServerLink* link) override;
    void OnRequest(IServerLink* link, const ServerRequest& request) override;

    // Delivers whatever is held back for reordering.
    void Flush();

    // True while this thread runs a decoder only to predict its verdict: the test's message
    // handler drops that decoder's warning.
    static bool Predicting();

private:
    class Link;
    friend class Link;

    void Deliver(IServerLink* target, int funcId, const ServerRequest* request,
                 const QByteArray& body);
    QByteArray SpoilBody(Spoil kind, int funcId, const QByteArray& body);
    QByteArray RandomMiB();
    std::optional<Spoil> Pick(int funcId, const QString& code);

    const std::shared_ptr<IServerBackend> inner_;
    const QSet<QString> dirty_;
    const int percent_;
    mutable QMutex mutex_{QMutex::Recursive};  // guards everything below
    std::mt19937 random_;
    QHash<IServerLink*, Link*> links_;   // accessor link -> proxy (owned)
    QHash<int, QByteArray> last_clean_;  // function -> last clean body seen
    QByteArray random_mib_;

public:
    // Bodies delivered that the 12989 / 10002 receivers must reject, and spoils applied by kind;
    // read once the traffic is over.
    QHash<int, int> expected_rejected;
    QMap<Spoil, int> spoiled;
};
