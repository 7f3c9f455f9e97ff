#pragma once

// A call that can be cut off from its accessor, its broadcasters and its subscribers before it is
// deleted. Its owner stops it first: an answer being delivered on the accessor's thread may be
// running inside the call, and the call's destructors change its dynamic type before the innermost
// one could wait for that answer.
// Thread contract: Shutdown is called from the owner's thread; it waits for a receiver in progress
// and is idempotent.
class StoppableCall {
public:
    virtual ~StoppableCall() = default;
    virtual void Shutdown() = 0;
};
