#include "host/access/recording/RecordingReader.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

#include "host/access/recording/RecordingFormat.h"

namespace recording {

namespace {

const char kLogTag[] = "recording";

void Damaged(Recording& r, qint64 offset, const QString& why) {
    r.damageOffset = offset;
    r.warning = QStringLiteral("damaged record at offset %1 (%2); %3 good records kept")
                    .arg(offset)
                    .arg(why)
                    .arg(r.events.size());
    qWarning().noquote() << kLogTag << "{:SEPARATOR}" << r.warning;
}

}  // namespace

Recording RecordingReader::Read(const QByteArray& bytes) {
    Recording r;
    const int headerSize = RecordingFormat::DecodeHeader(bytes, &r.header, &r.error);
    if (headerSize == 0) {
        r.error = QStringLiteral("the header is cut short (%1 bytes)").arg(bytes.size());
    }
    if (headerSize <= 0) {
        return r;
    }
    r.valid = true;
    int offset = headerSize;
    while (offset < bytes.size()) {
        RecordedEvent event;
        int size = 0;
        QString error;
        switch (RecordingFormat::DecodeRecord(bytes, offset, &event, &size, &error)) {
            case RecordingFormat::Status::Ok:
                r.events.append(event);
                break;
            case RecordingFormat::Status::Unknown:
                ++r.unknownRecords;
                break;
            case RecordingFormat::Status::Truncated:
                Damaged(r, offset, QStringLiteral("cut short at byte %1").arg(bytes.size()));
                return r;
            case RecordingFormat::Status::Bad:
                Damaged(r, offset, error);
                return r;
        }
        offset += size;
    }
    return r;
}

Recording RecordingReader::ReadFile(const QString& path) {
    Recording r;
    QFile file(path);
    if (QFileInfo(path).isDir()) {
        r.error = QStringLiteral("cannot read %1: it is a directory").arg(path);
        return r;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        r.error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return r;
    }
    // A file that is not a recording is refused on its header, before the rest is read.
    const QByteArray head = file.read(kMaxHeaderSize);
    if (RecordingFormat::DecodeHeader(head, &r.header, &r.error) >= 0) {
        r = Read(file.seek(0) ? file.readAll() : head + file.readAll());
    }
    if (!r.valid) {
        r.error = QStringLiteral("%1: %2").arg(path, r.error);
    }
    return r;
}

}  // namespace recording
