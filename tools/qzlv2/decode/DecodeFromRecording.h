#pragma once

#include "tools/qzlv2/commands/Command.h"

// `qzlv2 decode --from FILE [--function N] [--index K]`: decodes the answer and push bodies of a
// recording. Bodies are numbered from 0 in file order (answers and pushes only); each is printed
// as one JSON line {"index", "time_ms", "kind", "service", "function", "body_bytes", "record"}
// ("error" instead of "record" when it does not decode, "skipped" when no decoder knows its
// function), or, with --index, that one body as indented JSON like 'decode FUNCTION FILE'.
// Threads: stateless.
namespace qzlv2 {

void DefineDecodeFrom(QCommandLineParser& p);
int DecodeFromRecording(const Invocation& in);

}  // namespace qzlv2
