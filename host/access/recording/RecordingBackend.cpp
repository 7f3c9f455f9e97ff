#include "host/access/recording/RecordingBackend.h"

#include <QStringList>

#include "host/access/recording/RecordingWriter.h"

namespace recording {

// Stands for one accessor link towards the wrapped backend: records, then forwards.
class RecordingBackend::Link : public IServerLink {
public:
    Link(IServerLink* outer, const QString& service, RecordingWriter& writer)
        : m_outer(outer), m_service(service), m_writer(writer) {}

    IServerLink* Outer() const { return m_outer; }

    void Answer(const ServerRequest& request, const QByteArray& body) override {
        RecordedEvent e = Event(Kind::Answer, request.funcId);
        e.taskId = request.taskId;
        e.body = body;
        m_writer.Submit(std::move(e));
        m_outer->Answer(request, body);
    }
    void Fail(const ServerRequest& request, int code, const QString& text) override {
        RecordedEvent e = Event(Kind::Failure, request.funcId);
        e.taskId = request.taskId;
        e.code = code;
        e.text = text;
        m_writer.Submit(std::move(e));
        m_outer->Fail(request, code, text);
    }
    void Push(int funcId, const QByteArray& body) override {
        RecordedEvent e = Event(Kind::Push, funcId);
        e.body = body;
        m_writer.Submit(std::move(e));
        m_outer->Push(funcId, body);
    }
    void ReportAccessState(_enAccessState state) override {
        RecordedEvent e = Event(Kind::Link, 0);
        e.state = state;
        m_writer.Submit(std::move(e));
        m_outer->ReportAccessState(state);
    }
    void WaitDelivered() override { m_outer->WaitDelivered(); }
    QThread* DeliveryThread() const override { return m_outer->DeliveryThread(); }

private:
    RecordedEvent Event(Kind kind, int function) const {
        RecordedEvent e;
        e.kind = kind;
        e.service = m_service;
        e.function = function;
        return e;
    }

    IServerLink* const m_outer;
    const QString m_service;
    RecordingWriter& m_writer;
};

RecordingBackend::RecordingBackend(std::shared_ptr<IServerBackend> inner, const QString& service,
                                   std::shared_ptr<RecordingWriter> writer)
    : m_inner(std::move(inner)), m_service(service), m_writer(std::move(writer)) {}

RecordingBackend::~RecordingBackend() {
    qDeleteAll(m_links);
}

void RecordingBackend::WrapInstalled(const QStringList& services,
                                     const std::shared_ptr<RecordingWriter>& writer) {
    for (const QString& service : services) {
        if (std::shared_ptr<IServerBackend> inner = ServerBackendRegistry::Find(service)) {
            ServerBackendRegistry::Install(
                service, std::make_shared<RecordingBackend>(inner, service, writer));
        }
    }
}

// Null for a link that is not attached (a request racing the accessor's shutdown).
RecordingBackend::Link* RecordingBackend::LinkFor(IServerLink* outer) {
    QMutexLocker lock(&m_mutex);
    return m_links.value(outer);
}

void RecordingBackend::Attach(IServerLink* link) {
    Link* wrapper = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        Link*& slot = m_links[link];
        if (slot == nullptr) {
            slot = new Link(link, m_service, *m_writer);
        }
        wrapper = slot;
    }
    m_inner->Attach(wrapper);
}

// The wrapped backend stops calling the recording link before it is deleted.
void RecordingBackend::Detach(IServerLink* link) {
    Link* wrapper = nullptr;
    {
        QMutexLocker lock(&m_mutex);
        wrapper = m_links.take(link);
    }
    if (wrapper != nullptr) {
        m_inner->Detach(wrapper);
        delete wrapper;
    }
}

void RecordingBackend::OnRequest(IServerLink* link, const ServerRequest& request) {
    RecordedEvent e;
    e.kind = Kind::Request;
    e.service = m_service;
    e.function = request.funcId;
    e.flags = request.flags;
    e.taskId = request.taskId;
    for (const auto& param : request.params) {
        e.tags << param.first;
    }
    e.params = request.encoded;
    m_writer->Submit(std::move(e));
    if (Link* wrapper = LinkFor(link)) {
        m_inner->OnRequest(wrapper, request);
    }
}

}  // namespace recording
