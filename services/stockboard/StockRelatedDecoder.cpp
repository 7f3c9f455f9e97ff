#include "services/stockboard/StockRelatedDecoder.h"

#include "framework/WireReader.h"
#include "host/core/CMemArchive.h"

namespace {

using namespace stock_related;

void ReadGroups(CMemArchive& a, ResponsePkgEntity_12755& e) {
    e.has_ratios = (e.mask1 & kRatios) != 0;
    if (e.has_ratios) {
        for (qint32& value : e.ratios) {
            value = a.Read<qint32>();
        }
    }
    e.has_after_close = (e.mask1 & kAfterClose) != 0;
    if (e.has_after_close) {
        for (qint32& value : e.after_close) {
            value = a.Read<qint32>();
        }
    }
    e.has_category = (e.mask2 & kCategory) != 0;
    if (e.has_category) {
        for (quint8& value : e.category_bytes) {
            value = a.Read<quint8>();
        }
    }
}

}  // namespace

DecodeResult<ResponsePkgEntity_12755> DecodeStockRelatedBody(const QByteArray& body) {
    using Result = DecodeResult<ResponsePkgEntity_12755>;
    CMemArchive a(body);
    try {
        ResponsePkgEntity_12755 e;
        a.Skip(4);
        a.Skip(4);
        e.layout = a.Read<quint16>();
        e.mask1 = a.Read<quint32>();
        e.mask2 = a.Read<quint32>();
        a.Skip(4);
        a.Skip(2);
        const qint16 count = a.Read<qint16>();
        if (count < 1) {
            return Result::Empty(a.Position());
        }
        e.code = wire::ReadString(a);
        e.market_code = e.code.left(2);
        e.second_text = wire::ReadString(a);
        a.Skip(1);
        e.kept_byte = a.Read<quint8>();
        a.Skip(6 * 4);
        if (e.layout == kLongLayout) {
            a.Skip(2);
        }
        ReadGroups(a, e);
        return Result::Of(std::move(e), a.Position(), count);
    } catch (const CMemArchiveError& error) {
        return Result::Rejected(DescribeShortBody("DecodeStockRelatedBody", error));
    }
}
