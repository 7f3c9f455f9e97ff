#pragma once

// Holds the client's live requests; Redispatch runs them through the handler chain again
// (after a data source became able to serve them).
// Threads: implementations say.
class IIntentHolder {
public:
    virtual ~IIntentHolder() = default;
    virtual void Redispatch() = 0;
};
