#pragma once

// A server backend that records: it wraps another backend (a simulated market, a real server)
// for one service, passes every call through unchanged, and hands every request, answer, push,
// failure and access state that passes to a RecordingWriter, which writes them from its own
// thread. The wrapped backend sees one recording link per accessor link.
//
// Threads: as IServerBackend. m_mutex guards the link map only; it is not held while the wrapped
// backend or a link is called, so the wrapped backend's own locking is unchanged. Recording links
// are thread-safe (they only submit to the writer and forward).

#include <QHash>
#include <QMutex>
#include <QString>

#include <memory>

#include "host/access/ServerBackend.h"

namespace recording {

class RecordingWriter;

class RecordingBackend : public IServerBackend {
public:
    RecordingBackend(std::shared_ptr<IServerBackend> inner, const QString& service,
                     std::shared_ptr<RecordingWriter> writer);
    ~RecordingBackend() override;

    // Installs, for each service, a recording backend around the backend installed for it now.
    static void WrapInstalled(const QStringList& services,
                              const std::shared_ptr<RecordingWriter>& writer);

    void Attach(IServerLink* link) override;
    void Detach(IServerLink* link) override;
    void OnRequest(IServerLink* link, const ServerRequest& request) override;

private:
    class Link;
    Link* LinkFor(IServerLink* link);

    const std::shared_ptr<IServerBackend> m_inner;
    const QString m_service;
    const std::shared_ptr<RecordingWriter> m_writer;

    QMutex m_mutex;
    QHash<IServerLink*, Link*> m_links;  // owned
};

}  // namespace recording
