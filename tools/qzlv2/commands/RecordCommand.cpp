#include "tools/qzlv2/commands/RecordCommand.h"

#include <cstdio>
#include <memory>

#include "host/access/recording/RecordingBackend.h"
#include "host/access/recording/RecordingWriter.h"
#include "sim/market/SimulatedMarketBackend.h"
#include "tools/qzlv2/loading/BackendHook.h"

namespace qzlv2 {

namespace {

void DefineRecord(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Runs the command that follows FILE (today: watch, with all its options) and records "
        "every request, answer, push and link event between the plug-in and the quote server "
        "into FILE (see docs/recording.md). The recording is written from a thread of its own; "
        "if the disk cannot keep up, events are dropped, marked in the file and counted on "
        "stderr. Replay it with 'qzlv2 replay FILE'.");
    p.addPositionalArgument("FILE", "The recording to write (replaced if it exists).");
    p.addPositionalArgument("watch", "The command to record and its arguments.",
                            "watch CODE [options]");
    // Everything after FILE belongs to the recorded command.
    p.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
}

int Record(const Invocation& in) {
    QStringList recorded;
    for (int i = 1; i < in.ArgumentCount(); ++i) {
        recorded << in.Argument(i);
    }
    if (recorded.value(0) != QLatin1String("watch")) {
        throw UsageError(
            QStringLiteral("only 'watch' can be recorded, not '%1'").arg(recorded.value(0)));
    }
    auto writer = std::make_shared<recording::RecordingWriter>();
    QString error;
    const QString recorder = QStringLiteral("qzlv2 record: ") + recorded.join(QLatin1Char(' '));
    if (!writer->Open(in.Argument(0), recorder, &error)) {
        std::fprintf(stderr, "qzlv2 record: %s\n", qPrintable(error));
        return kExitFailed;
    }
    SetBackendHook([writer] {
        recording::RecordingBackend::WrapInstalled(
            {QString::fromLatin1(SimulatedMarketBackend::kMainService),
             QString::fromLatin1(SimulatedMarketBackend::kFastQuoteService)},
            writer);
    });
    const int code = RunCommandLine(QStringList{QStringLiteral("qzlv2")} + recorded);
    SetBackendHook({});
    const bool written = writer->Close();
    if (writer->DroppedCount() > 0) {
        std::fprintf(stderr, "qzlv2 record: %llu events dropped (the disk did not keep up)\n",
                     static_cast<unsigned long long>(writer->DroppedCount()));
    }
    if (!written) {
        std::fprintf(stderr, "qzlv2 record: %s\n", qPrintable(writer->ErrorText()));
        return kExitFailed;
    }
    return code;
}

}  // namespace

Command RecordCommand() {
    return Command{"record",
                   "record FILE watch CODE [watch options]",
                   "run watch and record the server traffic into FILE",
                   2,
                   64,
                   DefineRecord,
                   Record};
}

}  // namespace qzlv2
