#include "tools/qzlv2/commands/DecodeCommand.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLoggingCategory>

#include <algorithm>
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
#include "tools/qzlv2/decode/BodyMeaning.h"
#include "tools/qzlv2/decode/DecodeFromRecording.h"
#include "tools/qzlv2/decode/FlowDealsJson.h"
#include "tools/qzlv2/decode/FlowJson.h"
#include "tools/qzlv2/decode/LargeDealSignalJson.h"
#include "tools/qzlv2/decode/PackageJson.h"
#include "tools/qzlv2/output/Output.h"

namespace qzlv2 {

namespace {

constexpr int kMaxBodyBytes = 16 << 20;  // bytes; the largest answer bodies are a few KiB
constexpr int kDecodable[] = {10000, 10001, 10002, 10012, 10015, 10016, 12755, 12842, 12844,
                              12915, 12917, 12930, 12932, 12973, 12988, 12989, 12990};

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

// Refuses a missing file, a directory and a body over `limit` before reading it whole.
bool ReadInput(const QString& path, qint64 limit, QByteArray& bytes, QString& error) {
    QFile file(path);
    const bool fromStdin = path == QLatin1String("-");
    if (!fromStdin && QFileInfo(path).isDir()) {
        error = QStringLiteral("cannot read %1: it is a directory").arg(path);
        return false;
    }
    if (!(fromStdin ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    if (!fromStdin && file.size() > limit) {
        error = QStringLiteral("%1 holds %2 bytes, more than the %3 bytes a body may have")
                    .arg(path)
                    .arg(file.size())
                    .arg(limit);
        return false;
    }
    bytes = file.read(limit + 1);
    if (bytes.size() > limit) {
        error =
            QStringLiteral("%1 holds more than the %2 bytes a body may have").arg(path).arg(limit);
        return false;
    }
    return true;
}

// The body of FILE: its bytes, or with `hex` the bytes its hex text stands for. False with `error`
// when FILE cannot be read, is not hex or holds more than a body may have.
bool ReadBody(const QString& path, bool hex, QByteArray& body, QString& error) {
    // Hex text takes about three characters a byte with its spacing; comments may add more.
    QByteArray input;
    if (!ReadInput(path, hex ? 4 * kMaxBodyBytes : kMaxBodyBytes, input, error) ||
        (hex && !ParseHex(input, body, error))) {
        return false;
    }
    if (!hex) {
        body = input;
    }
    if (body.size() > kMaxBodyBytes) {
        error = QStringLiteral("the body has %1 bytes, more than %2")
                    .arg(body.size())
                    .arg(kMaxBodyBytes);
        return false;
    }
    return true;
}

}  // namespace

bool IsDecodable(int function) {
    return std::find(std::begin(kDecodable), std::end(kDecodable), function) !=
           std::end(kDecodable);
}

QString DecodableFunctions() {
    QStringList functions;
    for (int function : kDecodable) {
        functions << QString::number(function);
    }
    return functions.join(QStringLiteral(", "));
}

int TrailingBytes(int size, const BodyExtent& extent) {
    return extent.consumed < 0 || extent.announced > 1 ? 0 : qMax(0, size - extent.consumed);
}

QString DescribeTrailingBytes(int size, const BodyExtent& extent) {
    const int trailing = TrailingBytes(size, extent);
    return trailing == 0 ? QString()
                         : QStringLiteral("%1 trailing bytes at offset %2 after a complete body")
                               .arg(trailing)
                               .arg(extent.consumed);
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
        case 10000:  // the push list's answer: the quote-answer head of 10001 and 10002
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
        case 12988: {
            int consumed = -1;
            if (!DecodeFlowBody(function, body, json, error, &consumed)) {
                return false;
            }
            if (extent != nullptr) {
                *extent = BodyExtent{consumed, 1};
            }
            return true;
        }
        default:
            error = QStringLiteral("function %1 cannot be decoded; known: %2")
                        .arg(function)
                        .arg(DecodableFunctions());
            return false;
    }
}

namespace {

// Says on stderr what follows the decoded part of the body and what a body that means nothing
// means, in one line; false when --strict refuses the body.
bool ReportRest(const QJsonObject& json, const BodyExtent& extent, bool strict) {
    const int size = json["body_bytes"].toInt();
    const QString trailing = DescribeTrailingBytes(size, extent);
    const QString nothing = NothingMeant(json["function"].toInt(), json["record"]);
    const QString meaning =
        nothing.isEmpty() ? QString() : QStringLiteral("the body means nothing: ") + nothing;
    QString line = meaning;
    if (!trailing.isEmpty()) {
        line = trailing + (meaning.isEmpty() ? QString() : QStringLiteral("; ") + meaning) +
               (strict ? QStringLiteral(" (refused with --strict)") : QString());
    } else if (extent.announced > 1 && extent.consumed >= 0 && size > extent.consumed) {
        line = QStringLiteral(
                   "the body announces %1 records; the first ends at offset %2, the %3 bytes "
                   "after it are not decoded")
                   .arg(extent.announced)
                   .arg(extent.consumed)
                   .arg(size - extent.consumed);
    }
    if (!line.isEmpty()) {
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(line));
    }
    return !(strict && !trailing.isEmpty());
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
    const int kind = int(in.Number("kind", largedeal::kPagedKind, largedeal::kLatestKind));
    QByteArray body;
    QString error;
    QJsonObject json;
    BodyExtent extent;
    if (!ReadBody(in.Argument(1), in.IsSet("hex"), body, error) ||
        !DecodeBody(function, body, json, error, &extent, kind)) {
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(error));
        return kExitFailed;
    }
    if (!ReportRest(json, extent, in.IsSet("strict"))) {
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
                       "%2 bytes. A body that decodes but means nothing (no record, an empty "
                       "book, a flow of zeros) is said so on stderr. Exit 1 when FILE cannot be "
                       "read, is not hex (--hex) or the body does not decode or is too large.")
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
                 "reported on stderr and the body is decoded. With --from: such a body is an "
                 "error."});
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
