#include "sim/wire/largedeals/LargeDealBodyEncoder.h"

#include "framework/WireWriter.h"
#include "host/core/MemoryArchiveWriter.h"

namespace simwire {

QByteArray EncodeLargeDealBody(const LargeDealAnswer& answer) {
    MemoryArchiveWriter out;
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<quint32>(0);  // not interpreted by the client
    wire::WriteString(out, answer.code);
    out.Write<quint16>(answer.header_value);
    out.Write<qint32>(answer.first_sequence);
    out.Write<quint16>(quint16(answer.announced < 0 ? answer.records.size() : answer.announced));
    for (const LargeDealRecord& r : answer.records) {
        out.Write<quint32>(r.time);
        out.Write<qint32>(r.deal_price);
        out.Write<qint32>(r.number);
        out.Write<qint64>(r.value_a);
        out.Write<qint64>(r.value_b);
        out.Write<qint32>(r.in_number);
        out.Write<qint32>(r.out_number);
        out.Write<qint32>(r.value_c);
        out.Write<qint32>(r.value_d);
    }
    return out.Data();
}

}  // namespace simwire
