#include "tools/qzlv2-server/ServerCommandLine.h"

#include <QCommandLineParser>

#include "sim/market/SimStock.h"

namespace qzlv2server {

namespace {

constexpr int kMaxGeneratedStocks = 1998;  // SH603001 .. SH603999, SZ002001 .. SZ002999

const char kDescription[] =
    "The simulated quote server: the simulated market behind a TCP listener, for `qzlv2 ... "
    "--server HOST:PORT` clients. Its first line on stdout is `listening HOST:PORT` with the real "
    "port; logs go to stderr; SIGINT and SIGTERM stop it (exit 0).";

// The generated stocks the market must trade for every code to be one of its stocks.
bool ExtraStocksFor(const QString& list, int* extra, QString* error) {
    const QVector<simmarket::SimStock> generated = simmarket::GeneratedStocks(kMaxGeneratedStocks);
    for (const QString& code : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        if (simmarket::FindStock(code) != nullptr) {
            continue;
        }
        const auto found =
            std::find_if(generated.cbegin(), generated.cend(),
                         [&code](const simmarket::SimStock& s) { return s.code == code; });
        if (found == generated.cend()) {
            *error = QStringLiteral(
                         "--codes: %1 is neither a listed stock of the market nor one "
                         "it can generate (SH603001 .., SZ002001 ..)")
                         .arg(code);
            return false;
        }
        *extra = qMax(*extra, int(found - generated.cbegin()) + 1);
    }
    return true;
}

bool ReadNumber(const QCommandLineParser& parser, const QString& name, qint64 minimum,
                qint64 maximum, qint64* out, QString* error) {
    bool ok = false;
    const qint64 value = parser.value(name).toLongLong(&ok);
    if (!ok || value < minimum || value > maximum) {
        *error = QStringLiteral("--%1 takes a whole number from %2 to %3, not '%4'")
                     .arg(name)
                     .arg(minimum)
                     .arg(maximum)
                     .arg(parser.value(name));
        return false;
    }
    *out = value;
    return true;
}

}  // namespace

bool ParseServerCommandLine(const QStringList& arguments, ServerSettings* out, QString* error,
                            bool* help) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QLatin1String(kDescription));
    parser.addHelpOption();
    parser.addOptions({
        {"listen", "Listen on HOST:PORT (PORT 0: any free port).", "HOST:PORT"},
        {"seed", "The market's random seed.", "S"},
        {"codes", "Stocks to trade besides the listed ones (generated codes, e.g. SH603001).",
         "CODE,..."},
        {"tick", "Milliseconds between market ticks (default 500).", "MS"},
        {"verbose", "Debug lines of the market and the connections on stderr."},
    });
    *help = false;
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet("help")) {
        *help = true;
        *error = parser.helpText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        *error =
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return false;
    }
    if (!parser.isSet("listen")) {
        *error = QStringLiteral("--listen HOST:PORT is required");
        return false;
    }
    if (!transport::ServerAddress::Parse(parser.value("listen"), &out->listen, error)) {
        *error = QStringLiteral("--listen: ") + *error;
        return false;
    }
    qint64 number = 0;
    if (parser.isSet("seed")) {
        if (!ReadNumber(parser, "seed", 1, 0xFFFFFFFFLL, &number, error)) {
            return false;
        }
        out->market.seed = quint32(number);
    }
    if (parser.isSet("tick")) {
        if (!ReadNumber(parser, "tick", 10, 60000, &number, error)) {
            return false;
        }
        out->market.tick_ms = int(number);
    }
    if (parser.isSet("codes") &&
        !ExtraStocksFor(parser.value("codes"), &out->market.extra_stocks, error)) {
        return false;
    }
    out->verbose = parser.isSet("verbose");
    return true;
}

}  // namespace qzlv2server
