#pragma once

#include <QJsonObject>

#include "host/access/recording/RecordingReader.h"
#include "tools/qzlv2/commands/Command.h"

// `qzlv2 recording info FILE`: what a recording holds (counts per function, duration, link
// events, dropped and bad records), as text or one JSON object.
// Threads: stateless.
namespace qzlv2 {

QJsonObject RecordingSummary(const recording::Recording& r);

Command RecordingInfoCommand();

}  // namespace qzlv2
