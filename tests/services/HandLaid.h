#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QTest>
#include <QVector>

namespace fastquotebody {
// A 12989 level record: i32 price, i32 volume, i32 order count, u16 big flag, u16 K, K x i32
// queued volume.
struct Level {
    qint32 price, volume, orders;
    quint16 big;
    QVector<qint32> queued;
};
}  // namespace fastquotebody

// Expects one warning: the tag, the separator, then text matching the regular expression `detail`.
inline void ExpectWarning(const QString& tag, const QString& detail) {
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression("^" + tag + " \\{:SEPARATOR\\} " + detail));
}

// Lays answer bytes out by hand, field by field, little-endian, straight from the layout tables:
// independent of the encoders and decoders under test.
class HandLaid {
public:
    HandLaid& u8(quint32 v) { return Le(v, 1); }
    HandLaid& i8(qint32 v) { return Le(static_cast<quint32>(v), 1); }
    HandLaid& u16(quint32 v) { return Le(v, 2); }
    HandLaid& u32(quint32 v) { return Le(v, 4); }
    HandLaid& i16(qint32 v) { return Le(static_cast<quint32>(v), 2); }
    HandLaid& i32(qint32 v) { return Le(static_cast<quint32>(v), 4); }
    HandLaid& i64(qint64 v) {
        return u32(quint32(quint64(v) & 0xFFFFFFFFu)).u32(quint32(quint64(v) >> 32));
    }
    HandLaid& raw(const QByteArray& b) {
        bytes_.append(b);
        return *this;
    }
    // A packed integer: exponent k (top two bits), mantissa m (low 30 bits).
    HandLaid& packed(quint32 k, quint32 m) { return u32((k << 30) | m); }
    HandLaid& str(const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        u16(static_cast<quint32>(utf8.size()));
        bytes_.append(utf8);
        return *this;
    }
    HandLaid& level(const fastquotebody::Level& l) {
        i32(l.price).i32(l.volume).i32(l.orders).u16(l.big).u16(quint32(l.queued.size()));
        for (qint32 v : l.queued)
            i32(v);
        return *this;
    }
    // The 14-byte header of 10001/10002/10012 answers (not interpreted).
    HandLaid& header14() { return u32(0xAABBCCDD).u32(7).u16(1).u16(2).u16(3); }

    const QByteArray& bytes() const { return bytes_; }

private:
    HandLaid& Le(quint32 v, int width) {
        for (int i = 0; i < width; ++i)
            bytes_.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        return *this;
    }

    QByteArray bytes_;
};

// 12989 bodies: 4 + 4 bytes, code, 4 + 2 bytes (not read), u16 Nb, u16 Ns, levels, i8 flag.
namespace fastquotebody {

inline HandLaid Header(const QString& code, int buyCount, int sellCount) {
    HandLaid b;
    b.u32(0xA1A2A3A4).u32(0xB1B2B3B4).str(code).u32(0xC1C2C3C4).u16(0xD1D2);
    return b.u16(quint32(buyCount)).u16(quint32(sellCount));
}

inline QByteArray Body(const QString& code, const QVector<Level>& buy, const QVector<Level>& sell,
                       qint8 flag) {
    HandLaid b = Header(code, buy.size(), sell.size());
    for (const Level& l : buy + sell)
        b.level(l);
    return b.i8(flag).bytes();
}

// `n` levels from `price`, stepping by `step`; level i holds 100 x (i + 1) shares in one order.
inline QVector<Level> Levels(int n, qint32 price, qint32 step) {
    QVector<Level> levels;
    for (int i = 0; i < n; ++i)
        levels.append(Level{price + i * step, 100 * (i + 1), 1, 0, {100 * (i + 1)}});
    return levels;
}

}  // namespace fastquotebody

// 12755 bodies: 4 + 4 bytes, u16 layout, u32 mask 1, u32 mask 2, 4 + 2 bytes, i16 count; per
// record code, text, 2 bytes, 6 x i32, 2 bytes more in layout 105, then the groups the masks name:
// mask 1 0x400 four ratios (-11, 22, -12345, -6789), 0x40000000 three after-close values (-150,
// 321000, 77); mask 2 0x20 three category bytes.
inline QByteArray StockRelatedBody(const QString& code, quint16 layout, quint32 mask1,
                                   quint32 mask2, quint8 category = 25, qint16 count = 1) {
    HandLaid b;
    b.u32(0x01020304).u32(0x05060708).u16(layout).u32(mask1).u32(mask2).u32(9).u16(10);
    b.i16(count);
    if (count < 1)
        return b.bytes();
    b.str(code).str(QString::fromUtf8("宁德时代")).u8(0xEE).u8(0x42);
    b.i32(1).i32(2).i32(3).i32(4).i32(5).i32(6);
    if (layout == 105)
        b.u16(0xBEEF);
    if (mask1 & 0x400)
        b.i32(-11).i32(22).i32(-12345).i32(-6789);
    if (mask1 & 0x40000000)
        b.i32(-150).i32(321000).i32(77);
    if (mask2 & 0x20)
        b.u8(3).u8(category).u8(4);
    return b.bytes();
}

// 12842 / 12844 / 12988 heads, laid from their tables; the records follow by hand in each test.
namespace flowbody {

// 12842: 4 + 4 bytes, code, u8, i32, i32, u8, u8 mask, u8, u16, u16 count.
inline HandLaid MinuteHead(const QString& code, quint8 mask, quint16 count) {
    HandLaid b;
    b.u32(0x11111111).u32(0x22222222).str(code).u8(0x33).u32(0x44444444).u32(0x55555555).u8(0x66);
    return b.u8(mask).u8(0x77).u16(0x8888).u16(count);
}

// 12844: 4 + 4 bytes, code, u8, i32, u16, u8 mask, u8, u8, u8, u16 count.
inline HandLaid KlineHead(const QString& code, quint8 mask, quint16 count) {
    HandLaid b;
    b.u32(0x11111111).u32(0x22222222).str(code).u8(0x33).u32(0x44444444).u16(0x5555);
    return b.u8(mask).u8(0x66).u8(0x77).u8(0x88).u16(count);
}

// 12988: 4 + 4 bytes, code, i32, i32, u16, u16 count, u16; then count x three i32.
inline HandLaid IndicatorHead(const QString& code, quint16 count) {
    HandLaid b;
    b.u32(0x11111111).u32(0x22222222).str(code).u32(0x33333333).u32(0x44444444).u16(0x5555);
    return b.u16(count).u16(0x6666);
}

}  // namespace flowbody
