// The one table of `qzlv2` commands: a new command is a file defining its Command and a line here.
#include "tools/qzlv2/commands/CacheCommand.h"
#include "tools/qzlv2/commands/Command.h"
#include "tools/qzlv2/commands/DecodeCommand.h"
#include "tools/qzlv2/commands/HistoryCommand.h"
#include "tools/qzlv2/commands/ListCommand.h"
#include "tools/qzlv2/commands/RecordCommand.h"
#include "tools/qzlv2/commands/RecordingInfoCommand.h"
#include "tools/qzlv2/commands/ReplayCommand.h"
#include "tools/qzlv2/commands/SignalsCommand.h"
#include "tools/qzlv2/commands/WatchCommand.h"

namespace qzlv2 {

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        WatchCommand(), SignalsCommand(), DecodeCommand(), ListCommand(),          HistoryCommand(),
        CacheCommand(), RecordCommand(),  ReplayCommand(), RecordingInfoCommand(),
    };
    return commands;
}

}  // namespace qzlv2
