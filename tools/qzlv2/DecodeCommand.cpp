#include "tools/qzlv2/DecodeCommand.h"

#include <QFile>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <cctype>
#include <cstdio>

#include "services/capitalflow/CapitalFlowDecoders.h"
#include "services/deals/DealsDecoders.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "services/signals/SignalDecoders.h"
#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "tools/qzlv2/DecodeFromRecording.h"
#include "tools/qzlv2/FlowDealsJson.h"
#include "tools/qzlv2/FlowJson.h"
#include "tools/qzlv2/LargeDealSignalJson.h"
#include "tools/qzlv2/Output.h"
#include "tools/qzlv2/PackageJson.h"

namespace qzlv2 {

namespace {

constexpr int kMaxBodyBytes = 16 << 20;  // bytes; the largest answer bodies are a few KiB

template <typename Record, typename ToJson>
bool FromResult(const DecodeResult<Record>& result, ToJson toJson, QJsonObject& json,
                QString& error, BodyExtent* extent) {
    if (!result.ok) {
        error = result.error;
        return false;
    }
    if (extent != nullptr) {
        *extent = BodyExtent{result.consumed, result.announced};
    }
    json.insert("record", result.record ? QJsonValue(toJson(*result.record)) : QJsonValue());
    return true;
}

// Refuses a body over kMaxBodyBytes before reading it whole.
bool ReadInput(const QString& path, qint64 limit, QByteArray& bytes, bool& tooLarge,
               QString& error) {
    QFile file(path);
    const bool fromStdin = path == QLatin1String("-");
    if (!(fromStdin ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    tooLarge = !fromStdin && file.size() > limit;
    if (tooLarge) {
        error = QStringLiteral("%1 holds %2 bytes, more than the %3 bytes a body may have")
                    .arg(path)
                    .arg(file.size())
                    .arg(limit);
        return false;
    }
    bytes = file.read(limit + 1);
    tooLarge = bytes.size() > limit;
    if (tooLarge) {
        error =
            QStringLiteral("%1 holds more than the %2 bytes a body may have").arg(path).arg(limit);
        return false;
    }
    return true;
}

}  // namespace

QString DecodableFunctions() {
    return QStringLiteral(
        "10001, 10002, 10012, 10015, 10016, 12755, 12842, 12844, 12915, 12917, 12930, 12932, "
        "12973, 12988, 12989, 12990");
}

bool ParseHex(const QByteArray& text, QByteArray& bytes, QString& error) {
    QByteArray digits;
    bool comment = false;
    int line = 1;
    int column = 0;
    for (int i = 0; i < text.size(); ++i) {
        const char c = text[i];
        ++column;
        if (c == '\n') {
            comment = false;
            ++line;
            column = 0;
        } else if (comment) {
            continue;
        } else if (c == '#') {
            comment = true;
        } else if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits.append(c);
        } else if (!QByteArray(" \t\r,").contains(c)) {
            const bool printable = std::isprint(static_cast<unsigned char>(c));
            error = QStringLiteral("not a hex digit at line %1, column %2 (byte %3): %4(0x%5)")
                        .arg(line)
                        .arg(column)
                        .arg(i)
                        .arg(printable ? QStringLiteral("'%1' ").arg(QLatin1Char(c)) : QString())
                        .arg(uchar(c), 2, 16, QLatin1Char('0'));
            return false;
        }
    }
    if (digits.size() % 2 != 0) {
        error = QStringLiteral("odd number of hex digits (%1)").arg(digits.size());
        return false;
    }
    bytes = QByteArray::fromHex(digits);
    return true;
}

bool DecodeBody(int function, const QByteArray& body, QJsonObject& json, QString& error,
                BodyExtent* extent, int kind) {
    json = QJsonObject{{"function", function}, {"body_bytes", body.size()}};
    const auto put = [&](const auto& result, auto toJson) {
        return FromResult(result, toJson, json, error, extent);
    };
    switch (function) {
        case 10001:
        case 10002:
            return put(DecodeStockSnapshotBody(body), SnapshotToJson);
        case 10012:
            return put(DecodeStockDataSetBody(body), DataSetToJson);
        case 12755:
            return put(DecodeStockRelatedBody(body), StockRelatedToJson);
        case 12915:
            return put(deals::DecodePriceDealsBody(body), PriceDealsToJson);
        case 12917:
            return put(deals::DecodeWillDealsBody(body), WillDealsToJson);
        case 12930:
            return put(capitalflow::DecodeStockFlowBody(body), StockFlowToJson);
        case 12932:
            return put(capitalflow::DecodeBoardFlowBody(body), BoardFlowToJson);
        case 12973:
            return put(capitalflow::DecodeBoardAnalysisBody(body), BoardAnalysisToJson);
        case 10015:
            return put(signalwire::DecodeSignalTypeBody(body), SignalTypesToJson);
        case 10016:
            return put(signalwire::DecodeSignalBody(body), SignalsToJson);
        case 12990:
            return put(largedeal::DecodeLargeDealBody(body, kind), LargeDealToJson);
        case 12989: {
            ResponsePkgEntity_12989 book;
            QString code;
            int consumed = -1;
            if (!FastQuoteDecoder::Decode(body, book, code, &error, &consumed)) {
                return false;
            }
            if (extent != nullptr) {
                *extent = BodyExtent{consumed, 1};
            }
            json.insert("record", FastQuoteToJson(book, code));
            return true;
        }
        case 12842:
        case 12844:
        case 12988:
            return DecodeFlowBody(function, body, json, error);
        default:
            error = QStringLiteral("function %1 cannot be decoded; known: %2")
                        .arg(function)
                        .arg(DecodableFunctions());
            return false;
    }
}

namespace {

// Says on stderr what follows the decoded part of the body; false when --strict refuses it.
bool ReportRest(int size, const BodyExtent& extent, bool strict) {
    const int rest = size - extent.consumed;
    if (extent.consumed < 0 || rest <= 0) {
        return true;
    }
    if (extent.announced > 1) {
        std::fprintf(stderr,
                     "qzlv2 decode: the body announces %d records; the first ends at offset %d, "
                     "the %d bytes after it are not decoded\n",
                     extent.announced, extent.consumed, rest);
        return true;
    }
    std::fprintf(stderr, "qzlv2 decode: %d trailing bytes at offset %d after a complete body%s\n",
                 rest, extent.consumed, strict ? " (refused with --strict)" : "");
    return !strict;
}

int Decode(const Invocation& in) {
    // The decoders' own warnings would repeat the one error line this command prints.
    QLoggingCategory::setFilterRules(QStringLiteral("qzlv2.*=false"));
    if (in.IsSet("from")) {
        return DecodeFromRecording(in);
    }
    if (in.ArgumentCount() < 2) {
        throw UsageError(
            QStringLiteral("missing argument; usage: qzlv2 decode FUNCTION FILE [--hex]"));
    }
    bool isNumber = false;
    const int function = in.Argument(0).toInt(&isNumber);
    if (!isNumber) {
        throw UsageError(QStringLiteral("FUNCTION must be a number, not '%1'").arg(in.Argument(0)));
    }
    const bool hex = in.IsSet("hex");
    // Hex text takes about three characters a byte with its spacing; comments may add more.
    const qint64 limit = hex ? 4 * kMaxBodyBytes : kMaxBodyBytes;
    QByteArray input;
    QByteArray body;
    QString error;
    bool tooLarge = false;
    if (!ReadInput(in.Argument(1), limit, input, tooLarge, error)) {
        if (!tooLarge) {
            throw UsageError(error);
        }
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(error));
        return kExitFailed;
    }
    if (hex && !ParseHex(input, body, error)) {
        throw UsageError(error);
    }
    if (!hex) {
        body = input;
    }
    if (body.size() > kMaxBodyBytes) {
        std::fprintf(stderr, "qzlv2 decode: the body has %d bytes, more than %d\n",
                     int(body.size()), kMaxBodyBytes);
        return kExitFailed;
    }
    QJsonObject json;
    const int kind = int(in.Number("kind", largedeal::kPagedKind, largedeal::kLatestKind));
    BodyExtent extent;
    if (!DecodeBody(function, body, json, error, &extent, kind)) {
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(error));
        return kExitFailed;
    }
    if (!ReportRest(body.size(), extent, in.IsSet("strict"))) {
        return kExitFailed;
    }
    Output::Results().Write(QJsonDocument(json).toJson(QJsonDocument::Indented));
    return kExitOk;
}

void DefineDecode(QCommandLineParser& p) {
    p.setApplicationDescription(
        QStringLiteral("Decodes one captured answer body of FUNCTION with the plug-in's decoders "
                       "and prints the decoded package as indented JSON (field names as in the "
                       "wire tables; see docs/decode.md). Functions: %1. A body may have at most "
                       "%2 bytes. Exit 1 when the body does not decode or is too large, 2 on a "
                       "usage error (FILE unreadable, bad hex).")
            .arg(DecodableFunctions())
            .arg(kMaxBodyBytes));
    p.addPositionalArgument("FUNCTION", "The server function that sent the body, e.g. 12989.");
    p.addPositionalArgument("FILE", "The body: a file, or - for standard input.");
    p.addOption({"hex",
                 "FILE holds the body as hex digits (whitespace, ',' and '#' comments "
                 "to the end of a line are ignored) instead of raw bytes."});
    p.addOption({"kind",
                 "12990 only: the request kind the body answers, 1 (a page, the default) or 2 (the "
                 "latest deal, whose answer may announce 0 records and carry one).",
                 "N", "1"});
    p.addOption({"strict",
                 "Refuse (exit 1) a body with bytes after its complete end; without it they are "
                 "reported on stderr and the body is decoded."});
    DefineDecodeFrom(p);
}

}  // namespace

Command DecodeCommand() {
    return Command{"decode",
                   "decode FUNCTION FILE [--hex] [--strict] [--kind N] | decode --from RECORDING",
                   "decode one captured answer body and print it as JSON",
                   0,
                   2,
                   DefineDecode,
                   Decode};
}

}  // namespace qzlv2
