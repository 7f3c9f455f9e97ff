#pragma once
// Recording files laid out by hand from the tables of docs/recording.md (the header; records as
// length, CRC, then kind and time before the fields), and a recorded event as one line to compare.
// The tool's tests use them too.
#include <QStringList>

#include <algorithm>
#include <iterator>

#include <zlib.h>

#include "host/access/recording/RecordedEvent.h"
#include "tests/services/HandLaid.h"

namespace laid {

// Every field but the request's encoded parameters: "kind@time service function flags task tags
// body(hex) code text state dropped".
inline QString Describe(const recording::RecordedEvent& e) {
    const auto n = [](qint64 v) { return QString::number(v); };
    QStringList f{QString("%1@%2").arg(int(e.kind)).arg(e.timeMs), e.service, n(e.function)};
    f << n(e.flags) << n(e.taskId) << e.tags.join(',') << QString(e.body.toHex()) << n(e.code);
    return (f << e.text << n(int(e.state)) << n(e.dropped)).join(' ');
}

inline QStringList Describe(const QVector<recording::RecordedEvent>& events) {
    QStringList lines;
    std::transform(events.begin(), events.end(), std::back_inserter(lines),
                   [](const recording::RecordedEvent& e) { return Describe(e); });
    return lines;
}

inline quint32 Crc(const QByteArray& b) {
    return quint32(crc32(0, reinterpret_cast<const Bytef*>(b.constData()), uInt(b.size())));
}

inline QByteArray Header(quint16 version, qint64 startMs, const QString& recorder) {
    const QByteArray h =
        QByteArray("QZLV2REC") + HandLaid().u16(version).i64(startMs).str(recorder).bytes();
    return h + HandLaid().u32(Crc(h)).bytes();
}

inline QByteArray Record(quint8 kind, quint32 timeMs, const QByteArray& fields) {
    const QByteArray payload = HandLaid().u8(kind).u32(timeMs).u32(0).bytes() + fields;
    return HandLaid().u32(quint32(payload.size())).u32(Crc(payload)).bytes() + payload;
}

inline QByteArray Blob(const QByteArray& b) {
    return HandLaid().u32(quint32(b.size())).bytes() + b;
}

// A request of `function` on `service` with its parameters' tags and their encoded bytes.
inline QByteArray RequestOf(quint32 timeMs, const QString& service, quint32 function, quint16 flags,
                            qint32 task, const QStringList& tags, const QByteArray& params) {
    HandLaid fields;
    fields.str(service).u32(function).u16(flags).i32(task).u16(quint32(tags.size()));
    for (const QString& tag : tags) {
        fields.str(tag);
    }
    return Record(1, timeMs, fields.bytes() + Blob(params));
}

// 12989 on pcl2xtquote for `code`, 10 levels.
inline QByteArray Request(quint32 timeMs, quint16 flags, qint32 task,
                          const QString& code = "SH600000") {
    return RequestOf(timeMs, "pcl2xtquote", 12989, flags, task, {"String", "Int32"},
                     HandLaid().str(code).i32(10).bytes());
}

inline QByteArray Answer(quint32 timeMs, qint32 task, const QByteArray& body,
                         const QString& service = "pcl2xtquote", quint32 function = 12989) {
    return Record(2, timeMs, HandLaid().str(service).u32(function).i32(task).bytes() + Blob(body));
}

inline QByteArray Push(quint32 timeMs, quint32 function, const QByteArray& body,
                       const QString& service = "l2quote") {
    return Record(3, timeMs, HandLaid().str(service).u32(function).bytes() + Blob(body));
}

inline QByteArray Link(quint32 timeMs, const QString& service, quint8 state) {
    return Record(5, timeMs, HandLaid().str(service).u8(state).bytes());
}

}  // namespace laid
