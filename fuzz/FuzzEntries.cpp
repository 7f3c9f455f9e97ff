#include "fuzz/FuzzEntries.h"

#include <QByteArray>
#include <QStringList>

#include "framework/HistoryFile.h"
#include "framework/WireReader.h"
#include "host/access/RequestParamCodec.h"
#include "host/access/recording/RecordingReader.h"
#include "host/core/CMemArchive.h"
#include "host/core/CMemArchiveError.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/stockboard/MarketClearing.h"
#include "services/stockboard/StockDataSetDecoder.h"
#include "services/stockboard/StockRelatedDecoder.h"
#include "services/stockboard/StockSnapshotDecoder.h"

namespace qzfuzz {
namespace {

QByteArray Bytes(const uint8_t* data, size_t size) {
    // No copy: the decoders only read.
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<int>(size));
}

// A record of the width a history file's smallest real record would have to beat.
struct ProbeRecord {
    quint32 time = 0;
    qint64 value = 0;
};

const historyfile::HistoryFile<ProbeRecord>& ProbeFile() {
    static const historyfile::HistoryFile<ProbeRecord> file(
        [](MemoryArchiveWriter& out, const ProbeRecord& r) {
            out.Write<quint32>(r.time);
            out.Write<qint64>(r.value);
        },
        [](CMemArchive& in) {
            ProbeRecord r;
            r.time = in.Read<quint32>();
            r.value = in.Read<qint64>();
            return r;
        });
    return file;
}

const char* const kTags[] = {"Bytes",  "Int08", "Int08U", "Int16",  "Int16U", "Int32",
                             "Int32U", "Int64", "Int64U", "String", "Strings"};

}  // namespace

bool FastQuote12989(const uint8_t* data, size_t size) {
    ResponsePkgEntity_12989 entity;
    QString code;
    return FastQuoteDecoder::Decode(Bytes(data, size), entity, code);
}

bool StockSnapshot10002(const uint8_t* data, size_t size) {
    return DecodeStockSnapshotBody(Bytes(data, size)).ok;
}

bool StockRelated12755(const uint8_t* data, size_t size) {
    return DecodeStockRelatedBody(Bytes(data, size)).ok;
}

bool StockDataSet10012(const uint8_t* data, size_t size) {
    return DecodeStockDataSetBody(Bytes(data, size)).ok;
}

// The first byte is the tag count, one byte per tag picks it, the rest is the encoded list.
bool RequestParams(const uint8_t* data, size_t size) {
    if (size == 0)
        return false;
    const size_t count = data[0] % 16;
    if (size < 1 + count)
        return false;
    QStringList tags;
    for (size_t i = 0; i < count; ++i)
        tags << QString::fromLatin1(kTags[data[1 + i] % (sizeof(kTags) / sizeof(kTags[0]))]);
    ::RequestParams decoded;
    QString error;
    const QByteArray encoded = Bytes(data + 1 + count, size - 1 - count);
    if (!RequestParamCodec::Decode(tags, encoded, &decoded, &error))
        return false;
    // What decodes must encode again and decode to the same values (the bytes may differ where
    // a text was not valid UTF-8).
    QByteArray again;
    ::RequestParams redecoded;
    if (!RequestParamCodec::Encode(decoded, &again, &error) ||
        !RequestParamCodec::Decode(tags, again, &redecoded, &error) || redecoded != decoded)
        __builtin_trap();
    return true;
}

bool HistoryFile(const uint8_t* data, size_t size) {
    historyfile::HistoryData<ProbeRecord> out;
    try {
        return ProbeFile().Decode(Bytes(data, size), out);
    } catch (const CMemArchiveError&) {
        return false;  // truncated content: the loader reports it as a miss
    }
}

bool MarketList(const uint8_t* data, size_t size) {
    return market_clearing::MarketsOfList(Bytes(data, size)).has_value();
}

bool SessionRecording(const uint8_t* data, size_t size) {
    const recording::Recording r = recording::RecordingReader::Read(Bytes(data, size));
    return r.valid && r.damageOffset < 0;
}

const NamedEntry* Entries(int* count) {
    static const NamedEntry entries[] = {
        {"12989", FastQuote12989},        {"10002", StockSnapshot10002},
        {"12755", StockRelated12755},     {"10012", StockDataSet10012},
        {"requestparams", RequestParams}, {"historyfile", HistoryFile},
        {"marketlist", MarketList},       {"recording", SessionRecording},
    };
    *count = static_cast<int>(sizeof(entries) / sizeof(entries[0]));
    return entries;
}

void SilenceLog() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

}  // namespace qzfuzz
