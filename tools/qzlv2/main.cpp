// qzlv2: runs the Level-2 quote plug-in against the embedded simulated market, decodes captured
// answer bodies with the plug-in's decoders, and lists what the simulated market offers.
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

#include "sim/market/SimStock.h"
#include "tools/qzlv2/DecodeCommand.h"
#include "tools/qzlv2/ListCommand.h"
#include "tools/qzlv2/WatchCommand.h"

#ifndef QZLV2_PLUGIN_FILE
#define QZLV2_PLUGIN_FILE ""
#endif

namespace {

constexpr int kExitUsage = 2;

const char kCommands[] =
    "Commands:\n"
    "  watch CODE     show a stock's live order book and board fields\n"
    "  decode FUNCTION FILE\n"
    "                 decode one captured answer body and print it as JSON\n"
    "  list           the stocks and boards of the simulated market\n"
    "Run 'qzlv2 COMMAND --help' for a command's options.";

// The arguments of a command: the program name followed by what comes after the command.
QStringList CommandArguments(const QStringList& all) {
    QStringList args = all;
    args.removeAt(1);
    return args;
}

int IntOption(const QCommandLineParser& parser, const QString& name, int minimum) {
    bool ok = false;
    const int value = parser.value(name).toInt(&ok);
    if (!ok || value < minimum) {
        std::fprintf(stderr, "qzlv2: --%s needs a whole number of at least %d\n", qPrintable(name),
                     minimum);
        std::exit(kExitUsage);
    }
    return value;
}

int Watch(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(
        "Does what the client does: installs the simulated market as the quote server of both "
        "services, loads the plug-in file, creates its handler in a handler chain, registers its "
        "joins, and asks for the fast quote and the stock-board fields of CODE. The order book "
        "(sell 10 .. sell 1 above buy 1 .. buy 10: price, lots, orders and each level's queue of "
        "orders in lots, big orders marked *like this*), the previous close, the fast-ten flag "
        "and the board fields are redrawn in place on a terminal, or printed as plain frames "
        "separated by a blank line otherwise. While the server link is down or the data source "
        "is paused, a line under the title says so and the last data stays on screen; "
        "SIGUSR1 pauses or resumes the data source. Ctrl-C stops.");
    p.addHelpOption();
    p.addPositionalArgument("CODE",
                            "Stock code with its market prefix, e.g. SH600000 "
                            "(see 'qzlv2 list').",
                            "watch CODE");
    p.addOptions({
        {"seconds", "Stop after N seconds (default: run until interrupted).", "N", "0"},
        {"once", "Print one complete screen as soon as every part has arrived, then exit 0."},
        {"timeout",
         "Exit 1 with a message on stderr when no complete screen arrived within N "
         "seconds (default 10).",
         "N", "10"},
        {"plugin",
         "The plug-in file to load (default: the one built with this tool, " +
             QString(QZLV2_PLUGIN_FILE) + ").",
         "PATH", QZLV2_PLUGIN_FILE},
        {"tick", "Milliseconds between ticks of the simulated market (default 500).", "MS", "500"},
        {"seed", "Seed of the simulated market (default: its fixed seed).", "N", "0"},
        {"drop-link-every",
         "Drop the simulated market's link every N seconds, for half of that time, to watch "
         "the view come back (default 0: never). The fast quote is not asked for again within "
         "3 s of its last request, so with N of 3 or less the book may stay still until the "
         "next drop.",
         "N", "0"},
        {"plain", "Print plain frames even on a terminal."},
        {"verbose", "Show the plug-in's and the market's diagnostics on stderr."},
    });
    p.process(args);
    if (p.positionalArguments().size() != 1) {
        std::fprintf(stderr, "qzlv2 watch: give exactly one CODE\n");
        return kExitUsage;
    }
    qzlv2::WatchOptions o;
    o.code = p.positionalArguments().first().toUpper();
    if (simmarket::FindStock(o.code) == nullptr) {
        std::fprintf(stderr,
                     "qzlv2 watch: the simulated market has no stock %s; see 'qzlv2 list'\n",
                     qPrintable(o.code));
        return kExitUsage;
    }
    o.plugin_file = p.value("plugin");
    o.seconds = IntOption(p, "seconds", 0);
    o.once = p.isSet("once");
    o.timeout_s = IntOption(p, "timeout", 1);
    o.tick_ms = IntOption(p, "tick", 10);
    o.seed = quint32(IntOption(p, "seed", 0));
    o.drop_link_every_s = IntOption(p, "drop-link-every", 0);
    o.plain = p.isSet("plain");
    o.verbose = p.isSet("verbose");
    return qzlv2::RunWatch(o);
}

int Decode(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(
        "Decodes one captured answer body of FUNCTION with the plug-in's decoders and prints "
        "the decoded package as indented JSON (field names as in the wire tables; see "
        "docs/decode.md). Functions: " +
        qzlv2::DecodableFunctions() +
        ". Exit 1 when the body does not decode, 2 on a usage error.");
    p.addHelpOption();
    p.addPositionalArgument("FUNCTION", "The server function that sent the body, e.g. 12989.",
                            "decode FUNCTION");
    p.addPositionalArgument("FILE", "The body: a file, or - for standard input.");
    p.addOption({"hex",
                 "FILE holds the body as hex digits (whitespace, ',' and '#' comments "
                 "to the end of a line are ignored) instead of raw bytes."});
    p.process(args);
    if (p.positionalArguments().size() != 2) {
        std::fprintf(stderr, "qzlv2 decode: give FUNCTION and FILE\n");
        return kExitUsage;
    }
    return qzlv2::RunDecode(p.positionalArguments().at(0), p.positionalArguments().at(1),
                            p.isSet("hex"));
}

int List(const QStringList& args) {
    QCommandLineParser p;
    p.setApplicationDescription(
        "Lists the stocks (code, name, listing board, exchange, industry board) and the boards "
        "(code, name, members) of the simulated market.");
    p.addHelpOption();
    p.addPositionalArgument("list", "Takes no arguments.", "list");
    p.process(args);
    return qzlv2::RunList();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("qzlv2");
    QCoreApplication::setApplicationVersion("1.0");
    const QStringList args = QCoreApplication::arguments();
    const QString command = args.value(1);
    if (command == QLatin1String("watch")) {
        return Watch(CommandArguments(args));
    }
    if (command == QLatin1String("decode")) {
        return Decode(CommandArguments(args));
    }
    if (command == QLatin1String("list")) {
        return List(CommandArguments(args));
    }
    QCommandLineParser p;
    p.setApplicationDescription(
        QString("Level-2 quote plug-in tool: runs the plug-in against an embedded simulated "
                "market, decodes captured answer bodies, lists the simulated market.\n\n") +
        kCommands);
    p.addHelpOption();
    p.addVersionOption();
    p.addPositionalArgument("COMMAND", "watch, decode or list.");
    p.process(args);
    std::fprintf(stderr, "qzlv2: %s\n%s\n",
                 command.isEmpty() ? "no command given" : qPrintable("unknown command " + command),
                 kCommands);
    return kExitUsage;
}
