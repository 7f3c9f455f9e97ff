#pragma once

#include <functional>

// A step that a command runs right after `watch` has installed its server backends, before the
// plug-in is loaded: `record` uses it to wrap them in recording backends.
// Threads: main thread only.
namespace qzlv2 {

void SetBackendHook(std::function<void()> hook);  // an empty function removes it
void RunBackendHook();

}  // namespace qzlv2
