#include "host/access/transport/FrameReader.h"

namespace transport {

void FrameReader::Append(const QByteArray& bytes) {
    if (!bad_.isEmpty()) {
        return;
    }
    // Drop what was handed out before growing, so the buffer holds at most the pending bytes.
    if (pos_ > 0) {
        buffer_.remove(0, pos_);
        pos_ = 0;
    }
    buffer_.append(bytes);
}

// A header is judged as soon as its first bytes are in, so garbage is refused at once.
FrameReader::Status FrameReader::Next(Frame* frame, QString* error) {
    if (bad_.isEmpty()) {
        const char* start = buffer_.constData() + pos_;
        quint32 length = 0;
        QString why;
        if (Pending() < kHeaderSize) {
            if (CheckHeaderStart(start, Pending(), &why)) {
                return Status::NeedMore;
            }
        } else if (DecodeHeader(start, frame, &length, &why)) {
            if (quint32(Pending()) < length) {
                return Status::NeedMore;
            }
            frame->body = buffer_.mid(pos_ + kHeaderSize, int(length) - kHeaderSize);
            pos_ += int(length);
            consumed_ += length;
            return Status::Frame;
        }
        bad_ = QStringLiteral("frame at stream offset %1: %2").arg(consumed_).arg(why);
    }
    *error = bad_;
    return Status::Bad;
}

}  // namespace transport
