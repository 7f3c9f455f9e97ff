#pragma once

// Reads a whole session recording (docs/recording.md). A recording cut at any byte or damaged in
// a record reads up to the last good record, with one warning (logged, and kept in `warning`)
// that names the offset of the damage. Unknown kinds with a good CRC are skipped and counted.
// Stateless and reentrant.

#include <QByteArray>
#include <QString>
#include <QVector>

#include "host/access/recording/RecordedEvent.h"

namespace recording {

struct Recording {
    bool valid = false;  // the header was read; `error` says why not otherwise
    QString error;
    RecordingHeader header;
    QVector<RecordedEvent> events;  // in file order
    int unknownRecords = 0;         // skipped: kinds this reader does not know
    qint64 damageOffset = -1;       // where reading stopped on damage, -1 if it did not
    QString warning;                // the one warning, empty when the file was whole
};

class RecordingReader {
public:
    static Recording Read(const QByteArray& bytes);
    // A file that cannot be opened, a directory, or a file whose header is not a recording's is
    // not valid, with the reason in `error`; the header is read and checked before the rest.
    static Recording ReadFile(const QString& path);
};

}  // namespace recording
