#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Lays answer bytes out by hand, field by field, little-endian, straight from the layout tables:
// independent of the encoders under test.
class HandLaid {
public:
    HandLaid& u8(quint32 v) { return Le(v, 1); }
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
    // The 14-byte header of 10001/10002/10012 answers (not interpreted).
    HandLaid& header14() { return u32(0xAABBCCDD).u32(7).u16(1).u16(2).u16(3); }

    const QByteArray& bytes() const { return bytes_; }
    int size() const { return bytes_.size(); }

private:
    HandLaid& Le(quint32 v, int width) {
        for (int i = 0; i < width; ++i) {
            bytes_.append(static_cast<char>((v >> (8 * i)) & 0xFF));
        }
        return *this;
    }

    QByteArray bytes_;
};
