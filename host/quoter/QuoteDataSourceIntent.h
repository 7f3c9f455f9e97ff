#pragma once

#include <QMutex>
#include <QSet>
#include <QSharedPointer>

#include "host/quoter/ScopeTree.h"
#include "host/tolk/Handler.h"

class QuoteDataSourceHandler;

// A quote request on its way down the handler chain: the task it belongs to (a later intent of
// the same task replaces an earlier one), a flag word, the handlers that attached nodes for it,
// and the scope tree being resolved.
// Handlers serve its nodes only when the flag word has a bit of kServeFlagMask set.
// Threads: task id, flags and tree are fixed at construction; the handler set has its own mutex.
class QuoteDataSourceIntent : public kestrov::tolk::cor::Intent {
public:
    static constexpr quint32 kServeFlagMask = 0x01 | 0x10;

    QuoteDataSourceIntent(int taskId, quint32 flags, QSharedPointer<ScopeTree> tree);
    ~QuoteDataSourceIntent() override;

    // The intent as a QuoteDataSourceIntent, or null when it is another kind.
    static QuoteDataSourceIntent* FromIntent(
        const QSharedPointer<kestrov::tolk::cor::Intent>& intent);

    int GetTaskId() const { return task_id_; }
    quint32 GetFlags() const { return flags_; }
    bool WantsService() const { return (flags_ & kServeFlagMask) != 0; }
    QSharedPointer<ScopeTree> GetScopeTree() const { return tree_; }

    void AddHandler(QuoteDataSourceHandler* handler);
    bool HasHandler(QuoteDataSourceHandler* handler) const;
    QSet<QuoteDataSourceHandler*> GetHandlerSet() const;

private:
    const int task_id_;
    const quint32 flags_;
    const QSharedPointer<ScopeTree> tree_;
    mutable QMutex mutex_;
    QSet<QuoteDataSourceHandler*> handlers_;
};
