#include "services/largedeals/LargeDealDecoder.h"

#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"

namespace largedeal {

namespace {

LargeDealRecord ReadRecord(CMemArchive& in, qint32 sequence) {
    LargeDealRecord r;
    r.sequence = sequence;
    r.time = in.Read<quint32>();       // time
    r.deal_price = in.Read<qint32>();  // deal price, 1/100
    r.number = in.Read<qint32>();      // deal volume
    r.value_a = in.Read<qint64>();     // carried
    r.value_b = in.Read<qint64>();     // carried
    r.in_number = in.Read<qint32>();   // In_number
    r.out_number = in.Read<qint32>();  // Out_number
    r.value_c = in.Read<qint32>();     // carried
    r.value_d = in.Read<qint32>();     // carried
    return r;
}

}  // namespace

DecodeResult<ResponsePkgEntity_12990> DecodeLargeDealBody(const QByteArray& body, int kind) {
    using Result = DecodeResult<ResponsePkgEntity_12990>;
    try {
        CMemArchive in(body);
        ResponsePkgEntity_12990 entity;
        in.Skip(4);                                       // not interpreted
        in.Skip(4);                                       // not interpreted
        wire::ReadString(in);                             // stock code, not used
        entity.header_byte = quint8(in.Read<quint16>());  // header value, low byte kept
        entity.first_sequence = in.Read<qint32>();        // first sequence
        const quint16 announced = in.Read<quint16>();     // record count N
        const int count = (kind == kLatestKind && announced == 0) ? 1 : announced;
        wire::RequireItems(in, count, kRecordBytes);
        entity.records.reserve(count);
        for (int i = 0; i < count; ++i) {
            entity.records.append(ReadRecord(in, entity.first_sequence + i));
        }
        entity.next_sequence = entity.first_sequence + count;
        return Result::Of(std::move(entity), in.Position());
    } catch (const CMemArchiveError& error) {
        return Result::Rejected(DescribeShortBody("DecodeLargeDealBody", error));
    }
}

}  // namespace largedeal
