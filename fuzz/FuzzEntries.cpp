#include "fuzz/FuzzEntries.h"

#include <QByteArray>
#include <QStringList>
#include <cstring>

#include "framework/HistoryFile.h"
#include "framework/WireReader.h"
#include "host/access/RequestParamCodec.h"
#include "host/access/recording/RecordingReader.h"
#include "host/core/CMemArchive.h"
#include "host/core/CMemArchiveError.h"
#include "services/capitalflow/CapitalFlowDecoders.h"
#include "services/deals/DealsDecoders.h"
#include "services/fastquote/FastQuoteDecoder.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "services/minuteflow/FlowDecoder.h"
#include "services/signals/SignalDecoders.h"
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

bool StockFlow12930(const uint8_t* data, size_t size) {
    return capitalflow::DecodeStockFlowBody(Bytes(data, size)).ok;
}

bool BoardFlow12932(const uint8_t* data, size_t size) {
    return capitalflow::DecodeBoardFlowBody(Bytes(data, size)).ok;
}

bool BoardAnalysis12973(const uint8_t* data, size_t size) {
    return capitalflow::DecodeBoardAnalysisBody(Bytes(data, size)).ok;
}

bool PriceDeals12915(const uint8_t* data, size_t size) {
    return deals::DecodePriceDealsBody(Bytes(data, size)).ok;
}

bool WillDeals12917(const uint8_t* data, size_t size) {
    return deals::DecodeWillDealsBody(Bytes(data, size)).ok;
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

// The first byte picks the request kind (odd: the latest deal, kind 2); the rest is the body.
bool LargeDeal12990(const uint8_t* data, size_t size) {
    if (size == 0)
        return false;
    const int kind = (data[0] & 1) != 0 ? largedeal::kLatestKind : largedeal::kPagedKind;
    return largedeal::DecodeLargeDealBody(Bytes(data + 1, size - 1), kind).ok;
}

bool SignalType10015(const uint8_t* data, size_t size) {
    return signalwire::DecodeSignalTypeBody(Bytes(data, size)).ok;
}

bool Signal10016(const uint8_t* data, size_t size) {
    return signalwire::DecodeSignalBody(Bytes(data, size)).ok;
}

bool MinuteFlow12842(const uint8_t* data, size_t size) {
    FlowBatch batch;
    return minuteflow::DecodeMinuteFlowBody(Bytes(data, size), batch);
}

bool KlineFlow12844(const uint8_t* data, size_t size) {
    FlowBatch batch;
    return minuteflow::DecodeKlineFlowBody(Bytes(data, size), batch);
}

bool MinuteIndicator12988(const uint8_t* data, size_t size) {
    std::vector<MinuteIndicatorItem> items;
    return minuteflow::DecodeMinuteIndicatorBody(Bytes(data, size), items);
}

bool SessionRecording(const uint8_t* data, size_t size) {
    const recording::Recording r = recording::RecordingReader::Read(Bytes(data, size));
    return r.valid && r.damageOffset < 0;
}

}  // namespace

const NamedEntry* Entries(int* count) {
    static const NamedEntry entries[] = {
        {"12989", FastQuote12989},        {"10002", StockSnapshot10002},
        {"12755", StockRelated12755},     {"10012", StockDataSet10012},
        {"requestparams", RequestParams}, {"historyfile", HistoryFile},
        {"marketlist", MarketList},       {"12930", StockFlow12930},
        {"12932", BoardFlow12932},        {"12973", BoardAnalysis12973},
        {"12915", PriceDeals12915},       {"12917", WillDeals12917},
        {"12990", LargeDeal12990},        {"10015", SignalType10015},
        {"10016", Signal10016},           {"12842", MinuteFlow12842},
        {"12844", KlineFlow12844},        {"12988", MinuteIndicator12988},
        {"recording", SessionRecording},
    };
    *count = static_cast<int>(sizeof(entries) / sizeof(entries[0]));
    return entries;
}

Entry FindEntry(const char* name) {
    int count = 0;
    const NamedEntry* entries = Entries(&count);
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(entries[i].name, name) == 0)
            return entries[i].entry;
    }
    return nullptr;
}

void SilenceLog() {
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
}

}  // namespace qzfuzz
