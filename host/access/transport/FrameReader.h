#pragma once

// Cuts a byte stream into frames: bytes go in as they arrive, in pieces of any size (a frame
// split at any byte, several frames in one read), and complete frames come out in order. A header
// that cannot be trusted (DecodeHeader) ends the stream: Next keeps answering Bad.
//
// Memory: the unread part of what was appended; a peer announcing a frame holds at most one
// frame (kMaxFrameSize) beyond it.
//
// Threads: not thread-safe; one reader per connection, on the connection's thread.

#include <QByteArray>
#include <QString>

#include "host/access/transport/FrameFormat.h"

namespace transport {

class FrameReader {
public:
    enum class Status { Frame, NeedMore, Bad };

    void Append(const QByteArray& bytes);
    // Frame: *frame is the next frame. NeedMore: the bytes end inside a frame (or before one).
    // Bad: *error names the stream offset of the header and what is wrong with it.
    Status Next(Frame* frame, QString* error);

    // Bytes appended but not yet handed out as frames.
    int Pending() const { return buffer_.size() - pos_; }

private:
    QByteArray buffer_;
    int pos_ = 0;          // start of the first byte not handed out
    qint64 consumed_ = 0;  // stream offset of pos_
    QString bad_;          // set once the stream went bad
};

}  // namespace transport
