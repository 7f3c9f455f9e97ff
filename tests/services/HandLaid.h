#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// A 12989 level record: i32 price, i32 volume, i32 order count, u16 big flag, u16 K, K x i32
// queued volume.
struct FastQuoteLevel {
    qint32 price, volume, orders;
    quint16 big;
    QVector<qint32> queued;
};

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
    // A packed integer: exponent k (top two bits), mantissa m (low 30 bits).
    HandLaid& packed(quint32 k, quint32 m) { return u32((k << 30) | m); }
    HandLaid& str(const QString& text) {
        const QByteArray utf8 = text.toUtf8();
        u16(static_cast<quint32>(utf8.size()));
        bytes_.append(utf8);
        return *this;
    }
    HandLaid& zeros(int n) {
        bytes_.append(QByteArray(n, '\0'));
        return *this;
    }
    HandLaid& level(const FastQuoteLevel& l) {
        i32(l.price).i32(l.volume).i32(l.orders).u16(l.big).u16(quint32(l.queued.size()));
        for (qint32 v : l.queued) {
            i32(v);
        }
        return *this;
    }
    // The 14-byte header of 10001/10002/10012 answers (not interpreted).
    HandLaid& header14() { return u32(0xAABBCCDD).u32(7).u16(1).u16(2).u16(3); }

    const QByteArray& bytes() const { return bytes_; }

private:
    HandLaid& Le(quint32 v, int width) {
        for (int i = 0; i < width; ++i) {
            bytes_.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
        return *this;
    }

    QByteArray bytes_;
};

// 12989 bodies: 4 + 4 bytes, code, 4 + 2 bytes (not read), u16 Nb, u16 Ns, levels, i8 flag.
namespace fastquotebody {

using Level = FastQuoteLevel;

inline HandLaid Header(const QString& code, int buyCount, int sellCount) {
    HandLaid b;
    b.u32(0xA1A2A3A4).u32(0xB1B2B3B4).str(code).u32(0xC1C2C3C4).u16(0xD1D2);
    return b.u16(quint32(buyCount)).u16(quint32(sellCount));
}

inline QByteArray Body(const QString& code, const QVector<Level>& buy, const QVector<Level>& sell,
                       qint8 flag) {
    HandLaid b = Header(code, buy.size(), sell.size());
    for (const Level& l : buy + sell) {
        b.level(l);
    }
    return b.i8(flag).bytes();
}

// `n` levels from `price`, stepping by `step`; level i holds 100 x (i + 1) shares in one order.
inline QVector<Level> Levels(int n, qint32 price, qint32 step) {
    QVector<Level> levels;
    for (int i = 0; i < n; ++i) {
        levels.append(Level{price + i * step, 100 * (i + 1), 1, 0, {100 * (i + 1)}});
    }
    return levels;
}

}  // namespace fastquotebody
