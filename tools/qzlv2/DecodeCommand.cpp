#include "tools/qzlv2/DecodeCommand.h"

#include <QFile>
#include <QJsonDocument>

#include <cstdio>

#include "services/fastquote/FastQuoteDecoder.h"
#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"
#include "tools/qzlv2/PackageJson.h"

namespace qzlv2 {

namespace {

constexpr int kExitBadBody = 1;
constexpr int kExitUsage = 2;

template <typename Record, typename ToJson>
bool FromResult(const DecodeResult<Record>& result, ToJson toJson, QJsonObject& json,
                QString& error) {
    if (!result.ok) {
        error = result.error;
        return false;
    }
    json.insert("record", result.record ? QJsonValue(toJson(*result.record)) : QJsonValue());
    return true;
}

bool ReadInput(const QString& path, QByteArray& bytes, QString& error) {
    QFile file(path);
    const bool fromStdin = path == QLatin1String("-");
    if (!(fromStdin ? file.open(stdin, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly))) {
        error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    bytes = file.readAll();
    return true;
}

}  // namespace

QString DecodableFunctions() {
    return QStringLiteral("10001, 10002, 10012, 12755, 12989");
}

bool ParseHex(const QByteArray& text, QByteArray& bytes, QString& error) {
    QByteArray digits;
    bool comment = false;
    for (char c : text) {
        if (comment) {
            comment = c != '\n';
        } else if (c == '#') {
            comment = true;
        } else if (QByteArray("0123456789abcdefABCDEF").contains(c)) {
            digits.append(c);
        } else if (!QByteArray(" \t\r\n,").contains(c)) {
            error = QStringLiteral("not a hex digit: '%1'").arg(QLatin1Char(c));
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

bool DecodeBody(int function, const QByteArray& body, QJsonObject& json, QString& error) {
    json = QJsonObject{{"function", function}, {"body_bytes", body.size()}};
    switch (function) {
        case 10001:
        case 10002:
            return FromResult(DecodeStockSnapshotBody(body), SnapshotToJson, json, error);
        case 10012:
            return FromResult(DecodeStockDataSetBody(body), DataSetToJson, json, error);
        case 12755:
            return FromResult(DecodeStockRelatedBody(body), StockRelatedToJson, json, error);
        case 12989: {
            ResponsePkgEntity_12989 book;
            QString code;
            if (!FastQuoteDecoder::Decode(body, book, code)) {
                error = QStringLiteral("12989: the body is shorter than its level counts require");
                return false;
            }
            json.insert("record", FastQuoteToJson(book, code));
            return true;
        }
        default:
            error = QStringLiteral("function %1 cannot be decoded; known: %2")
                        .arg(function)
                        .arg(DecodableFunctions());
            return false;
    }
}

int RunDecode(const QString& functionText, const QString& file, bool hex) {
    bool isNumber = false;
    const int function = functionText.toInt(&isNumber);
    if (!isNumber) {
        std::fprintf(stderr, "qzlv2 decode: FUNCTION must be a number, not '%s'\n",
                     qPrintable(functionText));
        return kExitUsage;
    }
    QByteArray body;
    QString error;
    QByteArray input;
    bool read = ReadInput(file, input, error);
    if (read && hex) {
        read = ParseHex(input, body, error);
    } else {
        body = input;
    }
    if (!read) {
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(error));
        return kExitUsage;
    }
    QJsonObject json;
    if (!DecodeBody(function, body, json, error)) {
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(error));
        return kExitBadBody;
    }
    const QByteArray text = QJsonDocument(json).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

}  // namespace qzlv2
