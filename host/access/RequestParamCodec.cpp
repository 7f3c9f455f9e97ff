#include "host/access/RequestParamCodec.h"

#include <limits>

#include <QMetaType>

#include "host/core/CMemArchive.h"
#include "host/core/MemoryArchiveWriter.h"

namespace {

const char kBytes[] = "Bytes";
const char kString[] = "String";
const char kStrings[] = "Strings";
constexpr int kMaxRunLength = 0xFFFF;    // bytes: a u16 byte count
constexpr int kMaxStringCount = 0x7FFF;  // strings: an i16 count

struct IntTag {
    const char* name;
    int bytes;
    bool isSigned;
};

const IntTag kIntTags[] = {
    {"Int08", 1, true}, {"Int08U", 1, false}, {"Int16", 2, true}, {"Int16U", 2, false},
    {"Int32", 4, true}, {"Int32U", 4, false}, {"Int64", 8, true}, {"Int64U", 8, false},
};

const IntTag* FindIntTag(const QString& tag) {
    for (const IntTag& t : kIntTags) {
        if (tag == QLatin1String(t.name)) {
            return &t;
        }
    }
    return nullptr;
}

QString Where(int index, const QString& tag) {
    return QStringLiteral("parameter %1 (%2)").arg(index).arg(tag);
}

bool IsUnsignedVariant(const QVariant& v) {
    switch (v.userType()) {
        case QMetaType::UChar:
        case QMetaType::UShort:
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::ULongLong:
            return true;
        default:
            return false;
    }
}

bool IsIntegralVariant(const QVariant& v) {
    switch (v.userType()) {
        case QMetaType::Char:
        case QMetaType::SChar:
        case QMetaType::Short:
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
            return true;
        default:
            return IsUnsignedVariant(v);
    }
}

// The low `bytes` bytes of the result are what goes on the wire (two's complement).
bool ToWireBits(const QVariant& v, const IntTag& tag, quint64* bits) {
    const int width = tag.bytes * 8;
    const qint64 minValue =
        width == 64 ? std::numeric_limits<qint64>::min() : -(qint64(1) << (width - 1));
    quint64 maxValue = (quint64(1) << (width - 1)) - 1;
    if (!tag.isSigned) {
        maxValue = width == 64 ? std::numeric_limits<quint64>::max() : (quint64(1) << width) - 1;
    }
    if (IsUnsignedVariant(v)) {
        const quint64 u = v.toULongLong();
        *bits = u;
        return u <= maxValue;
    }
    const qint64 s = v.toLongLong();
    *bits = quint64(s);
    return s < 0 ? s >= minValue : quint64(s) <= maxValue;
}

void WriteBits(MemoryArchiveWriter& w, int bytes, quint64 bits) {
    switch (bytes) {
        case 1:
            w.Write<quint8>(quint8(bits));
            break;
        case 2:
            w.Write<quint16>(quint16(bits));
            break;
        case 4:
            w.Write<quint32>(quint32(bits));
            break;
        default:
            w.Write<quint64>(bits);
            break;
    }
}

QVariant ReadInteger(CMemArchive& a, const IntTag& tag) {
    switch (tag.bytes) {
        case 1:
            return tag.isSigned ? QVariant(int(a.Read<qint8>())) : QVariant(int(a.Read<quint8>()));
        case 2:
            return tag.isSigned ? QVariant(int(a.Read<qint16>()))
                                : QVariant(int(a.Read<quint16>()));
        case 4:
            return tag.isSigned ? QVariant(a.Read<qint32>()) : QVariant(uint(a.Read<quint32>()));
        default:
            return tag.isSigned ? QVariant(qlonglong(a.Read<qint64>()))
                                : QVariant(qulonglong(a.Read<quint64>()));
    }
}

bool WriteRun(MemoryArchiveWriter& w, const QByteArray& run) {
    if (run.size() > kMaxRunLength) {
        return false;
    }
    w.Write<quint16>(quint16(run.size()));
    w.WritePureBytes(run);
    return true;
}

QString ReadString(CMemArchive& a) {
    const int length = a.Read<quint16>();
    return QString::fromUtf8(a.ReadBytes(length));
}

bool EncodeOne(MemoryArchiveWriter& w, const QString& tag, const QVariant& value, QString* why) {
    if (const IntTag* intTag = FindIntTag(tag)) {
        quint64 bits = 0;
        if (!IsIntegralVariant(value)) {
            *why = QStringLiteral("an integer is expected, not %1").arg(value.typeName());
            return false;
        }
        if (!ToWireBits(value, *intTag, &bits)) {
            *why = QStringLiteral("value %1 is out of range").arg(value.toString());
            return false;
        }
        WriteBits(w, intTag->bytes, bits);
        return true;
    }
    if (tag == QLatin1String(kString) || tag == QLatin1String(kBytes)) {
        const bool isText = tag == QLatin1String(kString);
        const int wanted = isText ? QMetaType::QString : QMetaType::QByteArray;
        if (value.userType() != wanted) {
            *why = QStringLiteral("a %1 is expected, not %2")
                       .arg(QMetaType::typeName(wanted), value.typeName());
            return false;
        }
        if (!WriteRun(w, isText ? value.toString().toUtf8() : value.toByteArray())) {
            *why = QStringLiteral("longer than %1 bytes").arg(kMaxRunLength);
            return false;
        }
        return true;
    }
    if (tag == QLatin1String(kStrings)) {
        if (value.userType() != QMetaType::QStringList) {
            *why = QStringLiteral("a QStringList is expected, not %1").arg(value.typeName());
            return false;
        }
        const QStringList list = value.toStringList();
        if (list.size() > kMaxStringCount) {
            *why = QStringLiteral("more than %1 strings").arg(kMaxStringCount);
            return false;
        }
        w.Write<qint16>(qint16(list.size()));
        for (int i = 0; i < list.size(); ++i) {
            if (!WriteRun(w, list.at(i).toUtf8())) {
                *why =
                    QStringLiteral("string %1 is longer than %2 bytes").arg(i).arg(kMaxRunLength);
                return false;
            }
        }
        return true;
    }
    *why = QStringLiteral("unknown type tag");
    return false;
}

// Throws CMemArchiveError when the input is short.
bool DecodeOne(CMemArchive& a, const QString& tag, QVariant* value, QString* why) {
    if (const IntTag* intTag = FindIntTag(tag)) {
        *value = ReadInteger(a, *intTag);
    } else if (tag == QLatin1String(kString)) {
        *value = ReadString(a);
    } else if (tag == QLatin1String(kBytes)) {
        const int length = a.Read<quint16>();
        *value = a.ReadBytes(length);
    } else if (tag == QLatin1String(kStrings)) {
        const int count = a.Read<qint16>();
        if (count < 0) {
            *why = QStringLiteral("negative string count %1").arg(count);
            return false;
        }
        QStringList list;
        for (int i = 0; i < count; ++i) {
            list << ReadString(a);
        }
        *value = list;
    } else {
        *why = QStringLiteral("unknown type tag");
        return false;
    }
    return true;
}

}  // namespace

bool RequestParamCodec::IsKnownTag(const QString& tag) {
    return FindIntTag(tag) || tag == QLatin1String(kString) || tag == QLatin1String(kStrings) ||
           tag == QLatin1String(kBytes);
}

bool RequestParamCodec::Encode(const RequestParams& params, QByteArray* out, QString* error) {
    MemoryArchiveWriter w;
    for (int i = 0; i < params.size(); ++i) {
        QString why;
        if (!EncodeOne(w, params.at(i).first, params.at(i).second, &why)) {
            *error = Where(i, params.at(i).first) + QStringLiteral(": ") + why;
            return false;
        }
    }
    *out = w.Data();
    return true;
}

bool RequestParamCodec::Decode(const QStringList& tags, const QByteArray& bytes, RequestParams* out,
                               QString* error) {
    CMemArchive a(bytes);
    RequestParams params;
    for (int i = 0; i < tags.size(); ++i) {
        QVariant value;
        QString why;
        try {
            if (!DecodeOne(a, tags.at(i), &value, &why)) {
                *error = Where(i, tags.at(i)) + QStringLiteral(": ") + why;
                return false;
            }
        } catch (const CMemArchiveError& e) {
            *error = Where(i, tags.at(i)) + QStringLiteral(": truncated (") +
                     QString::fromUtf8(e.what()) + QLatin1Char(')');
            return false;
        }
        params.append(qMakePair(tags.at(i), value));
    }
    if (!a.AtEnd()) {
        *error = QStringLiteral("%1 trailing bytes").arg(a.Remaining());
        return false;
    }
    *out = params;
    return true;
}
