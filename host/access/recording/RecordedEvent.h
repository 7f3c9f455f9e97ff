#pragma once

// One record of a session recording (docs/recording.md) and the recording's header, as plain
// values. Which fields a record uses depends on its kind (the table of docs/recording.md); the
// others keep their defaults. Not tied to a thread.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include "host/access/AccessTypes.h"

namespace recording {

enum class Kind : quint8 {
    Request = 1,
    Answer = 2,
    Push = 3,
    Failure = 4,
    Link = 5,
    Dropped = 6,
};

struct RecordedEvent {
    Kind kind = Kind::Request;
    quint64 timeMs = 0;  // ms since the recording started
    QString service;
    int function = 0;
    quint16 flags = 0;                            // request
    int taskId = -1;                              // request, answer, failure
    QStringList tags;                             // request: the parameter type tags
    QByteArray params;                            // request: the encoded parameters
    QByteArray body;                              // answer, push
    int code = 0;                                 // failure
    QString text;                                 // failure
    _enAccessState state = eAccessState_Unknown;  // link
    quint32 dropped = 0;                          // dropped
    qint64 offset = -1;  // where the record starts in the file (set by the reader)
};

struct RecordingHeader {
    quint16 version = 0;
    qint64 startMs = 0;  // ms since 1970-01-01T00:00:00Z
    QString recorder;
};

}  // namespace recording
