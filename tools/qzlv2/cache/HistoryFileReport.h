#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "services/minuteflow/FlowRecord.h"

// What `qzlv2 cache` tells about one K-line flow history file: its place, its header fields, its
// records, and, when it is bad, why. A file is good when the plug-in loads it (the same loader,
// whose warning becomes the reason) and writing what it loaded gives back the very same bytes
// (no trailing bytes, the plug-in's own banner), with its records in ascending time.
// Threads: stateless functions.
namespace qzlv2 {

struct HistoryFileReport {
    QString path;
    QString code;   // from the file name
    QString cycle;  // from the folder
    qint64 bytes = 0;
    bool good = false;
    QString problem;  // why it is not good
    // Header and data-block fields, as far as the file holds them.
    quint32 format_version = 0;
    QString banner;
    quint32 checksum = 0;
    quint32 function_id = 0;
    quint32 data_version = 0;
    bool complete = false;  // the flag
    quint32 value8 = 0;
    int count = 0;  // records claimed
    std::vector<FlowRecord> records;
};

// Every history file under the files directory `dir`, in path order.
QStringList HistoryFiles(const QString& dir);
HistoryFileReport InspectHistoryFile(const QString& path);

}  // namespace qzlv2
