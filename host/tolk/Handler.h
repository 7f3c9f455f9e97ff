#pragma once

#include <QSharedPointer>
#include <QString>

namespace kestrov {
namespace tolk {
namespace cor {

// A request travelling down a chain of handlers; concrete requests derive from it.
class Intent {
public:
    virtual ~Intent();
};

// One link of a chain of responsibility. A handler that does not take a request passes it on.
// Thread contract: the chain is built (SetSuccessor) before it is used; afterwards it is read only,
// so Handle and the getters may be called from any host thread. Successors are not owned.
class Handler {
public:
    explicit Handler(const QString& name);
    virtual ~Handler();

    Handler(const Handler&) = delete;
    Handler& operator=(const Handler&) = delete;

    // The name given at construction.
    virtual QString GetHandlerName() const;
    // The next handler of the chain, or null at its end.
    virtual Handler* GetNextSuccessor() const;
    // The handler at the end of the chain that starts here (this handler when it has no successor),
    // so that GetLastSuccessor()->SetSuccessor(h) appends h.
    virtual Handler* GetLastSuccessor() const;
    virtual void SetSuccessor(Handler* successor);
    // Passes the intent to the successor and returns its result; false without a successor.
    virtual bool Handle(QSharedPointer<Intent> intent);

private:
    QString name_;
    Handler* successor_ = nullptr;
};

}  // namespace cor
}  // namespace tolk
}  // namespace kestrov
