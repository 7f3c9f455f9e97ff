#include "tools/qzlv2/loading/BackendHook.h"

namespace qzlv2 {

namespace {
std::function<void()>& Hook() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void SetBackendHook(std::function<void()> hook) {
    Hook() = std::move(hook);
}

void RunBackendHook() {
    if (Hook()) {
        Hook()();
    }
}

}  // namespace qzlv2
