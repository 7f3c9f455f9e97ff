#pragma once

#include <QMap>
#include <QMutex>
#include <QString>

#include "framework/SaveOutcome.h"

// The outcome of the latest save of every history file, kept for the host to read (the plug-in
// factory's properties). A failed save is reported once per file and run of failures: the first
// failure of a file, ever or since its last kept save, logs a warning naming the file and the
// reason and adds one to the count; further failures of that file do neither until a save of it
// is kept again, which ends the run (a later failure is a new run, reported again).
// Threads: any; mutex_ guards the state.
namespace historyfile {

class HistorySaveLedger {
public:
    // The ledger of the plug-in's own history files, for the life of the process.
    static HistorySaveLedger& Instance();

    void Record(const SaveOutcome& outcome);
    // Failures reported so far.
    qint64 FailureCount() const;
    // Files whose latest save failed, each with its reason.
    QMap<QString, QString> FilesNotKept() const;

private:
    mutable QMutex mutex_;
    qint64 failures_ = 0;
    QMap<QString, QString> notKept_;
};

}  // namespace historyfile
