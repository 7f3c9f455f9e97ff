#pragma once

#include <QString>

#include <optional>

#include "tests/services/HandLaid.h"

// 10015 and 10016 bodies laid by hand from the layout tables.
namespace signalbody {

// i32 A, i32 B, i32 flags, u16 N; per type: code, u16 group code, group name, name, [u8 level
// with flags bit 0].
struct Type {
    QString code;
    quint16 group;
    QString groupName, name;
    quint8 level;
};

inline QByteArray TypeBody(qint32 flags, const QVector<Type>& types, int announced = -1) {
    HandLaid b;
    b.i32(-1).i32(2).i32(flags).u16(quint32(announced < 0 ? types.size() : announced));
    for (const Type& t : types) {
        b.str(t.code).u16(t.group).str(t.groupName).str(t.name);
        if (flags & 1)
            b.u8(t.level);
    }
    return b.bytes();
}

// i32 A, i32 B, i32 flags, 2 bytes, i32 C, i32 D, i32 N; per signal: code, name, type name,
// order (i32 with flags bit 0, else u16), i16 direction, i32 time, u8 B, i32 A, description,
// [u8 C with flags bit 1].
struct Signal {
    QString code, name, type;
    quint32 order;
    qint16 direction;
    qint32 time;
    QString description;
};

// `announced` is the count the body says (default: the list's size).
inline QByteArray SignalBody(qint32 flags, const QVector<Signal>& signalList,
                             std::optional<qint32> announced = std::nullopt) {
    HandLaid b;
    b.i32(7).i32(8).i32(flags).u16(0xFFFF).i32(9).i32(10);
    b.i32(announced.value_or(signalList.size()));
    for (const Signal& s : signalList) {
        b.str(s.code).str(s.name).str(s.type);
        if (flags & 1)
            b.i32(qint32(s.order));
        else
            b.u16(s.order);
        b.i16(s.direction).i32(s.time).u8(0xB0).i32(-123456).str(s.description);
        if (flags & 2)
            b.u8(0xC0);
    }
    return b.bytes();
}

}  // namespace signalbody
