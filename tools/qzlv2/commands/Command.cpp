#include "tools/qzlv2/commands/Command.h"

#include <QCoreApplication>

#include <cstdio>

#include "tools/qzlv2/output/Output.h"

namespace qzlv2 {

namespace {

// The same table is in docs/qzlv2.md.
const char kExitCodeTable[] =
    "Exit codes, the same for every command:\n"
    "  0    done\n"
    "  1    failed: an input missing, unreadable, a directory or bad (not a recording,\n"
    "       not hex, a body that does not decode or is refused), data that did not\n"
    "       arrive in time, a plug-in that does not load, an output that cannot be written\n"
    "  2    usage: an unknown command or option, a missing or extra argument, a value\n"
    "       out of its range or unknown to the simulated market\n"
    "  130  interrupted by SIGINT (Ctrl-C); 143 by SIGTERM\n";

QString Overview() {
    QString text = QStringLiteral(
        "Usage: qzlv2 COMMAND [options] [arguments]\n"
        "Level-2 quote plug-in tool: runs the plug-in against an embedded simulated market, "
        "decodes captured answer bodies, lists the simulated market.\n\nCommands:\n");
    for (const Command& c : Commands()) {
        text += QStringLiteral("  %1\n      %2\n").arg(c.synopsis, c.summary);
    }
    return text + QStringLiteral("\nRun 'qzlv2 COMMAND --help' for a command's options.\n\n") +
           QLatin1String(kExitCodeTable);
}

const Command* Find(const QString& name) {
    for (const Command& c : Commands()) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

int Usage(const QString& prefix, const QString& message) {
    std::fprintf(stderr, "%s: %s\n", qPrintable(prefix), qPrintable(message));
    return kExitUsage;
}

// Help and version go to the results stream so that write errors are caught there too.
int Print(const QString& prefix, const QString& text) {
    Output& out = Output::Results();
    if (!out.Write(text.toUtf8()) || !out.Close()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(prefix), qPrintable(out.ErrorText()));
        return kExitFailed;
    }
    return kExitOk;
}

int RunCommand(const Command& command, const QStringList& arguments) {
    const QString prefix = QStringLiteral("qzlv2 ") + command.name;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help."));
    parser.addOption(help);
    command.define(parser);
    if (!parser.parse(arguments)) {
        return Usage(prefix, parser.errorText());
    }
    if (parser.isSet(help)) {
        return Print(prefix, parser.helpText());
    }
    const int count = parser.positionalArguments().size();
    if (count < command.min_arguments || count > command.max_arguments) {
        const QString extra =
            count > command.max_arguments
                ? QStringLiteral("unexpected argument '%1'")
                      .arg(parser.positionalArguments().value(command.max_arguments))
                : QStringLiteral("missing argument");
        return Usage(prefix, QStringLiteral("%1; usage: qzlv2 %2").arg(extra, command.synopsis));
    }
    int code = kExitOk;
    try {
        code = command.run(Invocation(parser));
    } catch (const UsageError& e) {
        return Usage(prefix, QString::fromStdString(e.what()));
    }
    // A command that failed has said why; one that did not learns of write errors here.
    if (!Output::Results().Close() && code == kExitOk) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(prefix),
                     qPrintable(Output::Results().ErrorText()));
        return kExitFailed;
    }
    return code;
}

}  // namespace

qint64 Invocation::Number(const QString& option, qint64 minimum, qint64 maximum) const {
    bool ok = false;
    const qint64 value = parser_.value(option).toLongLong(&ok);
    if (!ok || value < minimum || value > maximum) {
        throw UsageError(QStringLiteral("--%1 takes a whole number from %2 to %3, not '%4'")
                             .arg(option)
                             .arg(minimum)
                             .arg(maximum)
                             .arg(parser_.value(option)));
    }
    return value;
}

int RunCommandLine(const QStringList& arguments) {
    const QString name = arguments.value(1);
    if (const Command* command = Find(name)) {
        QStringList rest = arguments;
        rest.removeAt(1);
        return RunCommand(*command, rest);
    }
    if (name == QLatin1String("--help") || name == QLatin1String("-h") ||
        name == QLatin1String("help")) {
        return Print(QStringLiteral("qzlv2"), Overview());
    }
    if (name == QLatin1String("--version") || name == QLatin1String("-v")) {
        return Print(QStringLiteral("qzlv2"),
                     QStringLiteral("qzlv2 %1\n").arg(QCoreApplication::applicationVersion()));
    }
    std::fprintf(stderr, "%s", qPrintable(Overview()));
    return Usage(QStringLiteral("qzlv2"), name.isEmpty()
                                              ? QStringLiteral("no command given")
                                              : QStringLiteral("unknown command '%1'").arg(name));
}

}  // namespace qzlv2
