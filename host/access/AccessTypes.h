#pragma once

// Value types shared by the quote-server accessor and its backends: the access state, the
// process context that travels with a request and comes back with its answer, the answer
// itself, the key a receiver is registered under, and the request parameter list.
// All are plain values; none is tied to a thread.

#include <functional>

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QSharedPointer>
#include <QString>
#include <QVariant>

#include "host/core/CKeyGroup.h"

enum _enAccessState : int {
    eAccessState_Unknown = 0,
    eAccessState_Connected = 1,
    eAccessState_Disconnected = 2,
    eAccessState_Connecting = 3
};

// What the requester wants back with the answer (e.g. the code the request was for).
struct ProcessContext_s {
    CKeyGroup keyGroup;
};

// One answer or pushed package. `context` is the request's context for answers and null for
// pushes; `taskId` is the id AppendTaskByParams returned (-1 for pushes).
struct Resp_s {
    int funcId = 0;
    QByteArray body;
    QSharedPointer<ProcessContext_s> context;
    bool isPush = false;
    int taskId = -1;
};

// A receiver is registered for a function id, optionally tagged with its owner so that two
// owners can each receive the same function.
class ReceiverKey {
public:
    explicit ReceiverKey(int funcId) : m_funcId(funcId) {}
    ReceiverKey(int funcId, const void* owner) : m_funcId(funcId), m_owner(owner) {}

    int FuncId() const { return m_funcId; }
    const void* Owner() const { return m_owner; }

    bool operator<(const ReceiverKey& other) const {
        if (m_funcId != other.m_funcId) {
            return m_funcId < other.m_funcId;
        }
        return std::less<const void*>()(m_owner, other.m_owner);
    }
    bool operator==(const ReceiverKey& other) const {
        return m_funcId == other.m_funcId && m_owner == other.m_owner;
    }

private:
    int m_funcId;
    const void* m_owner = nullptr;
};

// Ordered (type tag, value) pairs, in the order the server expects them.
// Tags: "Bytes", "Int08", "Int08U", "Int16", "Int16U", "Int32", "Int32U", "Int64", "Int64U",
// "String", "Strings" (see RequestParamCodec for the encoding).
using RequestParams = QList<QPair<QString, QVariant>>;
