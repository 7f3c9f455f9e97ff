#include "host/tolk/Handler.h"

namespace kestrov {
namespace tolk {
namespace cor {

Intent::~Intent() = default;

Handler::Handler(const QString& name) : name_(name) {}

Handler::~Handler() = default;

QString Handler::GetHandlerName() const {
    return name_;
}

Handler* Handler::GetNextSuccessor() const {
    return successor_;
}

Handler* Handler::GetLastSuccessor() const {
    const Handler* last = this;
    while (Handler* next = last->GetNextSuccessor()) {
        last = next;
    }
    return const_cast<Handler*>(last);
}

void Handler::SetSuccessor(Handler* successor) {
    successor_ = successor;
}

bool Handler::Handle(QSharedPointer<Intent> intent) {
    Handler* next = GetNextSuccessor();
    return next ? next->Handle(std::move(intent)) : false;
}

}  // namespace cor
}  // namespace tolk
}  // namespace kestrov
