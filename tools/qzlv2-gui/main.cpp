// qzlv2-gui: the quote window of the demo host (QuoteApp).
#include <QApplication>
#include <QCommandLineParser>
#include <QLoggingCategory>

#include <cstdio>

#include "host/access/recording/RecordingReader.h"
#include "sim/market/SimStock.h"
#include "tools/qzlv2-gui/QuoteApp.h"
#include "tools/qzlv2/commands/Command.h"
#include "tools/qzlv2/loading/PluginFile.h"
#include "tools/qzlv2/loading/ReplayPlayer.h"
#include "tools/qzlv2/loading/ServerOption.h"
#include "tools/qzlv2/output/ScreenStream.h"

namespace {

const char kQuietRules[] =
    "qzlv2.*=false\nsim.*=false\n*.debug=false\nreplay.warning=false\nqt.qpa.*=false";

void Define(QCommandLineParser& p) {
    p.setApplicationDescription(
        "The quote window: every panel of a stock in one window (several codes: a tab each), "
        "fed by the plug-in as the client runs it against the embedded simulated market, or by "
        "a recording made by 'qzlv2 record' (--replay), played on its own clock.");
    p.addHelpOption();
    p.addPositionalArgument("CODE",
                            "Stock or board codes, e.g. SZ300750 BK0475 (default with "
                            "--replay: the recorded one).",
                            "[CODE...]");
    p.addOptions({
        {"replay",
         "Play a recording made by 'qzlv2 record' instead of the market; the window "
         "ends at its end.",
         "FILE"},
        {"seconds", "Quit after N seconds, 0 to 2147483647; 0 (the default): when closed.", "N",
         "0"},
        {"screenshot", "Write a PNG of the whole window just before quitting.", "FILE"},
        {"plugin", "The plug-in file to load (default: " + qzlv2::DefaultPlugin() + ").", "PATH",
         qzlv2::DefaultPlugin()},
        {"tick", "Milliseconds between ticks of the simulated market, 10 to 3600000 (default 500).",
         "MS", "500"},
        {"seed", "Seed of the simulated market, 0 to 4294967295; 0 (the default): its fixed seed.",
         "N", "0"},
        {"verbose", "Show the plug-in's and the market's diagnostics on stderr."},
    });
    qzlv2::AddServerOption(p);
}

qzgui::AppOptions Read(const QCommandLineParser& p) {
    const qzlv2::Invocation in(p);
    qzgui::AppOptions o;
    o.seconds = in.Number("seconds", 0, 2147483647);
    o.screenshot = in.Value("screenshot");
    o.verbose = in.IsSet("verbose");
    o.session.plugin_file = in.Value("plugin");
    o.session.replay_file = in.Value("replay");
    o.session.tick_ms = int(in.Number("tick", 10, 3600000));
    o.session.seed = quint32(in.Number("seed", 0, 0xFFFFFFFFLL));
    o.session.server = qzlv2::ReadServerOption(in);
    for (const char* option : {"replay", "tick", "seed"}) {
        if (o.session.server && in.IsSet(QLatin1String(option))) {
            throw qzlv2::UsageError(
                QStringLiteral("--%1 excludes --server (the server runs the market)").arg(option));
        }
    }
    for (const QString& code : p.positionalArguments()) {
        o.session.codes << code.toUpper();
    }
    if (o.session.codes.isEmpty() && !o.session.replay_file.isEmpty()) {
        const recording::Recording r = recording::RecordingReader::ReadFile(o.session.replay_file);
        o.session.codes << qzlv2::RecordedCode(r.header.recorder);
        o.session.codes.removeAll(QString());
    }
    if (o.session.codes.isEmpty()) {
        throw qzlv2::UsageError(QStringLiteral("name at least one code, e.g. SZ300750"));
    }
    // A server may trade more than the embedded market's stocks (qzlv2-server --codes).
    for (const QString& code : o.session.server ? QStringList() : o.session.codes) {
        if (simmarket::FindStock(code) == nullptr && simmarket::FindBoard(code) == nullptr) {
            throw qzlv2::UsageError(
                QStringLiteral("the simulated market has no stock or board %1; see 'qzlv2 list'")
                    .arg(code));
        }
    }
    return o;
}

// QApplication reads -plugin (and --plugin) as its own (a generic input plug-in to load) and
// takes it off the command line: ours, the plug-in file, is kept from Qt and parsed after it.
QStringList TakePluginOption(int& argc, char* argv[]) {
    QStringList taken;
    int kept = 0;
    for (int i = 0; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if ((arg == "--plugin" || arg == "-plugin") && i + 1 < argc) {
            taken << QStringLiteral("--plugin") << QString::fromLocal8Bit(argv[++i]);
        } else if (arg.startsWith("--plugin=") || arg.startsWith("-plugin=")) {
            taken << QStringLiteral("--plugin")
                  << QString::fromLocal8Bit(arg.mid(arg.indexOf('=') + 1));
        } else {
            argv[kept++] = argv[i];
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return taken;
}

}  // namespace

int main(int argc, char* argv[]) {
    const QStringList pluginOption = TakePluginOption(argc, argv);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("qzlv2"));
    QApplication::setApplicationName(QStringLiteral("qzlv2-gui"));
    QCommandLineParser parser;
    Define(parser);
    if (!parser.parse(QApplication::arguments() + pluginOption)) {
        std::fprintf(stderr, "qzlv2-gui: %s\n", qPrintable(parser.errorText()));
        return qzlv2::kExitUsage;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::printf("%s", qPrintable(parser.helpText()));
        return qzlv2::kExitOk;
    }
    qzgui::AppOptions options;
    try {
        options = Read(parser);
    } catch (const qzlv2::UsageError& e) {
        std::fprintf(stderr, "qzlv2-gui: %s\n", e.what());
        return qzlv2::kExitUsage;
    }
    if (!options.verbose) {
        QLoggingCategory::setFilterRules(QString::fromLatin1(kQuietRules));
    }
    qzlv2::TakeScreenStream(options.verbose);  // the plug-in's own lines: stderr or nowhere
    qzgui::QuoteApp quote(options);
    QString error;
    if (!quote.Start(error)) {
        std::fprintf(stderr, "qzlv2-gui: %s\n", qPrintable(error));
        return qzlv2::kExitFailed;
    }
    return quote.Run();
}
