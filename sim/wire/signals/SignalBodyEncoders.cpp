#include "sim/wire/signals/SignalBodyEncoders.h"

#include "framework/WireWriter.h"
#include "host/core/MemoryArchiveWriter.h"

namespace simwire {

QByteArray EncodeSignalTypeBody(const ResponsePkgEntity_10015& catalogue) {
    MemoryArchiveWriter out;
    out.Write<qint32>(catalogue.header_a);
    out.Write<qint32>(catalogue.header_b);
    out.Write<qint32>(catalogue.flags);
    out.Write<quint16>(quint16(catalogue.types.size()));
    const bool level = (catalogue.flags & ResponsePkgEntity_10015::kLevelFlag) != 0;
    for (const SignalType& t : catalogue.types) {
        wire::WriteString(out, t.signal_type_code);
        out.Write<quint16>(quint16(t.signal_type_group_code));
        wire::WriteString(out, t.signal_type_group_name);
        wire::WriteString(out, t.signal_type_name);
        if (level) {
            out.Write<quint8>(quint8(t.level));
        }
    }
    return out.Data();
}

QByteArray EncodeSignalBody(const ResponsePkgEntity_10016& answer) {
    MemoryArchiveWriter out;
    out.Write<qint32>(answer.header_a);
    out.Write<qint32>(answer.header_b);
    out.Write<qint32>(answer.flags);
    out.Write<quint16>(0);  // not interpreted by the client
    out.Write<qint32>(answer.header_c);
    out.Write<qint32>(answer.header_d);
    out.Write<qint32>(answer.signal_list.size());
    const bool wide = (answer.flags & ResponsePkgEntity_10016::kWideOrderFlag) != 0;
    const bool valueC = (answer.flags & ResponsePkgEntity_10016::kValueCFlag) != 0;
    for (const ShortLineSignal& s : answer.signal_list) {
        wire::WriteString(out, s.stock_code);
        wire::WriteString(out, s.stock_name);
        wire::WriteString(out, s.signal_type_name);
        if (wide) {
            out.Write<qint32>(qint32(s.order));
        } else {
            out.Write<quint16>(quint16(s.order));
        }
        out.Write<qint16>(qint16(s.signal_type_deal_direction));
        out.Write<qint32>(s.signal_time);
        out.Write<quint8>(quint8(s.value_b));
        out.Write<qint32>(s.value_a);
        wire::WriteString(out, s.signal_description);
        if (valueC) {
            out.Write<quint8>(quint8(s.value_c));
        }
    }
    return out.Data();
}

}  // namespace simwire
