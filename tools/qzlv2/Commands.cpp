// The one table of `qzlv2` commands: a new command is a file defining its Command and a line here.
#include "tools/qzlv2/CacheCommand.h"
#include "tools/qzlv2/Command.h"
#include "tools/qzlv2/DecodeCommand.h"
#include "tools/qzlv2/HistoryCommand.h"
#include "tools/qzlv2/ListCommand.h"
#include "tools/qzlv2/RecordCommand.h"
#include "tools/qzlv2/RecordingInfoCommand.h"
#include "tools/qzlv2/ReplayCommand.h"
#include "tools/qzlv2/SignalsCommand.h"
#include "tools/qzlv2/WatchCommand.h"

namespace qzlv2 {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        WatchCommand(), SignalsCommand(), DecodeCommand(), ListCommand(),          HistoryCommand(),
        CacheCommand(), RecordCommand(),  ReplayCommand(), RecordingInfoCommand(),
    };
    return commands;
}

}  // namespace qzlv2
