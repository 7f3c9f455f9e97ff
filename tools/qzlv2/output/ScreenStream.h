#pragma once

// Gives the results stream (Output::Results) the original standard output and sends whatever
// else is written to standard output (the plug-in's own lines) to stderr when `verbose`, or
// nowhere, so that screens and JSON lines carry nothing else.
// Threads: main thread, before the plug-in is loaded.
namespace qzlv2 {

void TakeScreenStream(bool verbose);

}  // namespace qzlv2
