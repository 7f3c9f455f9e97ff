#include "tools/qzlv2/output/Interrupt.h"

#include <atomic>
#include <csignal>

#include <unistd.h>

namespace qzlv2 {

namespace {

constexpr int kSignalExitBase = 128;  // shells report a signal as 128 + its number

std::atomic<int> g_signal{0};
std::atomic<bool> g_deferred{false};

extern "C" void OnSignal(int signal) {
    g_signal = signal;
    if (!g_deferred) {
        ::_exit(kSignalExitBase + signal);
    }
}

}  // namespace

void InstallInterruptHandlers() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void DeferInterrupts() {
    g_deferred = true;
}

int InterruptExitCode() {
    const int signal = g_signal;
    return signal == 0 ? 0 : kSignalExitBase + signal;
}

}  // namespace qzlv2
