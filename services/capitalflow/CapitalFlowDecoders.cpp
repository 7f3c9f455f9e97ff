#include "services/capitalflow/CapitalFlowDecoders.h"

#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"
#include "host/core/CMemArchiveError.h"

namespace capitalflow {

namespace {

// Least a 12973 list entry takes: two empty strings, u8, i32, i32, u16, i32.
constexpr int kAnalysisEntryMinBytes = 2 + 2 + 1 + 4 + 4 + 2 + 4;

// Runs `read` over the body; a short body or a refusal rejects it whole.
template <typename Entity, typename Package>
DecodeResult<Entity> Decode(const char* function, const QByteArray& body,
                            QString (*read)(CMemArchive&, Package&)) {
    Entity entity;
    CMemArchive in(body);
    try {
        const QString refusal = read(in, entity.package);
        if (!refusal.isEmpty()) {
            return DecodeResult<Entity>::Rejected(QLatin1String(function) + ": " + refusal);
        }
    } catch (const CMemArchiveError& error) {
        return DecodeResult<Entity>::Rejected(DescribeShortBody(function, error));
    }
    return DecodeResult<Entity>::Of(std::move(entity), in.Position());
}

QString ReadStockFlow(CMemArchive& in, ResponsePkg_12930& p) {
    in.Skip(4);                                     // not interpreted
    in.Skip(4);                                     // not interpreted
    p.total_sell = in.Read<qint32>();               // offset 8
    p.average_sell = in.Read<qint32>();             // 12
    p.total_buy = in.Read<qint32>();                // 16
    p.average_buy = in.Read<qint32>();              // 20
    p.ddx = in.Read<qint16>();                      // 24
    p.volume_diff = in.Read<qint32>();              // 26
    p.extra_large_buy_volume = in.Read<qint32>();   // 30
    p.extra_large_sell_volume = in.Read<qint32>();  // 34
    p.large_buy_volume = in.Read<qint32>();         // 38
    p.large_sell_volume = in.Read<qint32>();        // 42
    p.medium_buy_volume = in.Read<qint32>();        // 46
    p.medium_sell_volume = in.Read<qint32>();       // 50
    p.little_buy_volume = in.Read<qint32>();        // 54
    p.little_sell_volume = in.Read<qint32>();       // 58
    return QString();
}

// The wire gives the buy side from the smallest class up, then the sell side likewise.
QString ReadBoardFlow(CMemArchive& in, ResponsePkg_12932& p) {
    in.Skip(4);            // not interpreted
    in.Skip(4);            // not interpreted
    wire::SkipString(in);  // the board code, echoed
    in.Skip(4);            // not interpreted
    const quint16 mask = in.Read<quint16>();
    if (mask & kBoardFlowGroup) {
        p.little_buy_amount = in.Read<qint64>();
        p.medium_buy_amount = in.Read<qint64>();
        p.large_buy_amount = in.Read<qint64>();
        p.extra_large_buy_amount = in.Read<qint64>();
        p.little_sell_amount = in.Read<qint64>();
        p.medium_sell_amount = in.Read<qint64>();
        p.large_sell_amount = in.Read<qint64>();
        p.extra_large_sell_amount = in.Read<qint64>();
    }
    return QString();
}

void SkipAnalysisEntry(CMemArchive& in) {
    wire::SkipString(in);  // code
    wire::SkipString(in);  // name
    in.Skip(1);            // u8
    in.Skip(4);            // i32
    in.Skip(4);            // i32
    in.Skip(2);            // u16
    in.Skip(4);            // i32
}

QString ReadBoardAnalysis(CMemArchive& in, ResponsePkg_12973& p) {
    in.Skip(4);  // not interpreted
    in.Skip(4);  // not interpreted
    const quint16 mask = in.Read<quint16>();
    if (mask & kAnalysisHead) {
        in.Skip(1);      // u8
        in.Skip(4 * 4);  // four i32
        in.Skip(2);      // u16
    }
    if (mask & kAnalysisEntries) {
        p.entry_count = in.Read<quint16>();
        if (p.entry_count > kMaxAnalysisEntries) {
            return QStringLiteral("entry count %1 over %2 at offset %3, answer dropped")
                .arg(p.entry_count)
                .arg(kMaxAnalysisEntries)
                .arg(in.Position() - 2);
        }
        wire::RequireItems(in, p.entry_count, kAnalysisEntryMinBytes);
        for (int i = 0; i < p.entry_count; ++i) {
            SkipAnalysisEntry(in);
        }
    }
    if (mask & kAnalysisLargeIn) {
        p.CurrentDayLargeInCapital = in.Read<qint32>();
        in.Skip(4);  // i32
        in.Skip(4);  // i32
        in.Skip(2);  // u16
        in.Skip(2);  // u16
        in.Skip(1);  // u8
        in.Skip(1);  // u8
    }
    if (mask & kAnalysisTail) {
        in.Skip(4 * 4);  // four i32
    }
    return QString();
}

}  // namespace

DecodeResult<ResponsePkgEntity_12930> DecodeStockFlowBody(const QByteArray& body) {
    return Decode<ResponsePkgEntity_12930>("12930", body, &ReadStockFlow);
}

DecodeResult<ResponsePkgEntity_12932> DecodeBoardFlowBody(const QByteArray& body) {
    return Decode<ResponsePkgEntity_12932>("12932", body, &ReadBoardFlow);
}

DecodeResult<ResponsePkgEntity_12973> DecodeBoardAnalysisBody(const QByteArray& body) {
    return Decode<ResponsePkgEntity_12973>("12973", body, &ReadBoardAnalysis);
}

}  // namespace capitalflow
