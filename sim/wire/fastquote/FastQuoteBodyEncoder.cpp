#include "sim/wire/fastquote/FastQuoteBodyEncoder.h"

#include "framework/WireWriter.h"
#include "host/core/MemoryArchiveWriter.h"

namespace simwire {

namespace {

void WriteLevel(MemoryArchiveWriter& out, const FastQuoteLevel& level) {
    out.Write<qint32>(level.price);
    out.Write<qint32>(level.volume);
    out.Write<qint32>(level.order_count);
    out.Write<quint16>(level.big_flag);
    out.Write<quint16>(quint16(level.queued.size()));
    for (qint32 volume : level.queued) {
        out.Write<qint32>(volume);
    }
}

FastQuoteLevel MakeLevel(qint32 price, int queued, int seed) {
    FastQuoteLevel level;
    level.price = price;
    level.queued.reserve(queued);
    for (int i = 0; i < queued; ++i) {
        const qint32 volume = 100 * (1 + (seed * 37 + i * 101) % 900);  // 1..900 lots
        level.queued.append(volume);
        level.volume += volume;
    }
    level.order_count = queued;
    level.big_flag = (seed % 3 == 0) ? 1 : 0;
    return level;
}

}  // namespace

QByteArray EncodeFastQuoteBody(const FastQuoteBook& book) {
    MemoryArchiveWriter out;
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<quint32>(0);  // not interpreted by the client
    wire::WriteString(out, book.code);
    out.Write<quint32>(0);  // not interpreted by the client
    out.Write<quint16>(0);  // not interpreted by the client
    out.Write<quint16>(quint16(book.buy.size()));
    out.Write<quint16>(quint16(book.sell.size()));
    for (const FastQuoteLevel& level : book.buy) {
        WriteLevel(out, level);
    }
    for (const FastQuoteLevel& level : book.sell) {
        WriteLevel(out, level);
    }
    out.Write<qint8>(book.fast_ten_flag);
    return out.Data();
}

FastQuoteBook MakeFullFastQuoteBook(const QString& code, qint32 midPrice, int levels, int queued) {
    FastQuoteBook book;
    book.code = code;
    for (int i = 0; i < levels; ++i) {
        book.buy.append(MakeLevel(midPrice - 1 - i, queued, i));
        book.sell.append(MakeLevel(midPrice + 1 + i, queued, i + levels));
    }
    return book;
}

}  // namespace simwire
