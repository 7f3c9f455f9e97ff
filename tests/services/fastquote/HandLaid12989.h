#pragma once

#include <QByteArray>
#include <QVector>
#include <QtGlobal>

// 12989 bodies laid out by hand from the wire table, byte by byte, so that the tests do not
// depend on the encoder they also check:
//   4 bytes, 4 bytes, code (u16 length + bytes), 4 bytes, 2 bytes, u16 Nb, u16 Ns,
//   Nb + Ns level records (i32 price, i32 volume, i32 order count, u16 big flag, u16 K,
//   K x i32 volume), i8 fast-ten flag.
namespace handlaid {

inline void U8(QByteArray& b, quint8 v) {
    b.append(char(v));
}

inline void U16(QByteArray& b, quint16 v) {
    U8(b, quint8(v & 0xFF));
    U8(b, quint8(v >> 8));
}

inline void U32(QByteArray& b, quint32 v) {
    U16(b, quint16(v & 0xFFFF));
    U16(b, quint16(v >> 16));
}

struct Level {
    qint32 price;
    qint32 volume;
    qint32 orders;
    quint16 big;
    QVector<qint32> queued;
};

inline QByteArray Header(const QByteArray& code, quint16 buyCount, quint16 sellCount) {
    QByteArray b;
    U32(b, 0xA1A2A3A4);  // not interpreted
    U32(b, 0xB1B2B3B4);  // not interpreted
    U16(b, quint16(code.size()));
    b.append(code);
    U32(b, 0xC1C2C3C4);  // not interpreted
    U16(b, 0xD1D2);      // not interpreted
    U16(b, buyCount);
    U16(b, sellCount);
    return b;
}

inline void AppendLevel(QByteArray& b, const Level& level) {
    U32(b, quint32(level.price));
    U32(b, quint32(level.volume));
    U32(b, quint32(level.orders));
    U16(b, level.big);
    U16(b, quint16(level.queued.size()));
    for (qint32 v : level.queued) {
        U32(b, quint32(v));
    }
}

inline QByteArray Body(const QByteArray& code, const QVector<Level>& buy,
                       const QVector<Level>& sell, qint8 flag) {
    QByteArray b = Header(code, quint16(buy.size()), quint16(sell.size()));
    for (const Level& l : buy) {
        AppendLevel(b, l);
    }
    for (const Level& l : sell) {
        AppendLevel(b, l);
    }
    U8(b, quint8(flag));
    return b;
}

// `n` plain levels starting at `price`, stepping by `step`, one queued order each.
inline QVector<Level> Levels(int n, qint32 price, qint32 step) {
    QVector<Level> levels;
    for (int i = 0; i < n; ++i) {
        const qint32 p = price + i * step;
        levels.append(Level{p, 100 * (i + 1), 1, 0, {100 * (i + 1)}});
    }
    return levels;
}

}  // namespace handlaid
