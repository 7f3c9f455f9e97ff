#pragma once

// SIGINT and SIGTERM end `qzlv2` quietly with 130 and 143. Until a command defers them (because
// it runs an event loop that tears the plug-in down in order), the signal ends the process at
// once; once deferred, the command polls InterruptExitCode and finishes by itself.
// Threads: Install and Defer on the main thread; the handler runs on any.
namespace qzlv2 {

void InstallInterruptHandlers();
void DeferInterrupts();
// 128 + the signal that arrived, or 0.
int InterruptExitCode();

}  // namespace qzlv2
