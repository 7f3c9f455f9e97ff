#include "services/signals/SignalDecoders.h"

#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"

namespace signalwire {

namespace {

SignalType ReadSignalType(CMemArchive& in, bool hasLevel) {
    SignalType t;
    t.signal_type_code = wire::ReadString(in);        // signal_type_code
    t.signal_type_group_code = in.Read<quint16>();    // signal_type_group_code
    t.signal_type_group_name = wire::ReadString(in);  // signal_type_group_name
    t.signal_type_name = wire::ReadString(in);        // signal_type_name
    t.level = hasLevel ? in.Read<quint8>() : 0;       // level
    return t;
}

ShortLineSignal ReadSignal(CMemArchive& in, qint32 flags) {
    ShortLineSignal s;
    s.stock_code = wire::ReadString(in);        // stock_code
    s.stock_name = wire::ReadString(in);        // stock_name
    s.signal_type_name = wire::ReadString(in);  // signal_type_name
    s.order = (flags & ResponsePkgEntity_10016::kWideOrderFlag) != 0 ? quint32(in.Read<qint32>())
                                                                     : in.Read<quint16>();  // order
    s.signal_type_deal_direction = in.Read<qint16>();  // direction, sign-extended
    s.signal_time = in.Read<qint32>();                 // HHMMSSmmm
    s.value_b = in.Read<quint8>();                     // value B
    s.value_a = in.Read<qint32>();                     // value A
    s.signal_description = wire::ReadString(in);       // signal_description
    s.value_c = (flags & ResponsePkgEntity_10016::kValueCFlag) != 0 ? in.Read<quint8>() : 0;
    return s;
}

}  // namespace

DecodeResult<ResponsePkgEntity_10015> DecodeSignalTypeBody(const QByteArray& body) {
    using Result = DecodeResult<ResponsePkgEntity_10015>;
    try {
        CMemArchive in(body);
        ResponsePkgEntity_10015 e;
        e.header_a = in.Read<qint32>();  // A
        e.header_b = in.Read<qint32>();  // B
        e.flags = in.Read<qint32>();     // flags
        e.count = in.Read<quint16>();    // entry count
        const bool hasLevel = (e.flags & ResponsePkgEntity_10015::kLevelFlag) != 0;
        wire::RequireItems(in, e.count, kMinTypeBytes + (hasLevel ? 1 : 0));
        e.types.reserve(e.count);
        for (int i = 0; i < e.count; ++i) {
            e.types.append(ReadSignalType(in, hasLevel));
        }
        return Result::Of(std::move(e), in.Position());
    } catch (const CMemArchiveError& error) {
        return Result::Rejected(DescribeShortBody("DecodeSignalTypeBody", error));
    }
}

DecodeResult<ResponsePkgEntity_10016> DecodeSignalBody(const QByteArray& body) {
    using Result = DecodeResult<ResponsePkgEntity_10016>;
    try {
        CMemArchive in(body);
        ResponsePkgEntity_10016 e;
        e.header_a = in.Read<qint32>();  // A
        e.header_b = in.Read<qint32>();  // B
        e.flags = in.Read<qint32>();     // flags
        in.Skip(2);                      // not interpreted
        e.header_c = in.Read<qint32>();  // C
        e.header_d = in.Read<qint32>();  // D
        e.count = in.Read<qint32>();     // signal count
        const int count = e.count > 0 ? e.count : 0;
        const bool wide = (e.flags & ResponsePkgEntity_10016::kWideOrderFlag) != 0;
        const bool valueC = (e.flags & ResponsePkgEntity_10016::kValueCFlag) != 0;
        wire::RequireItems(in, count, kMinSignalBytes + (wide ? 2 : 0) + (valueC ? 1 : 0));
        e.signal_list.reserve(count);
        for (int i = 0; i < count; ++i) {
            e.signal_list.append(ReadSignal(in, e.flags));
        }
        return Result::Of(std::move(e), in.Position());
    } catch (const CMemArchiveError& error) {
        return Result::Rejected(DescribeShortBody("DecodeSignalBody", error));
    }
}

}  // namespace signalwire
