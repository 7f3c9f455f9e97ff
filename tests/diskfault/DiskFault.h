#pragma once

#include <QByteArray>
#include <QDirIterator>
#include <QFile>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <cstring>

// A disk that fills or turns read-only at a chosen byte, for tests: this library replaces the C
// library's write(), so the writers that call it (QFile, QSaveFile; not stdio, which calls the C
// library's inner write) meet the fault as they would on a real disk. Once armed, writes to files
// whose path contains `pathPart` land until `atByte` bytes have been written to such files in the
// process; the write that reaches that byte lands in part, and every one after it fails with
// `error` (ENOSPC, EROFS, EIO).
//
// In the test's own process: link this library and call Arm/Disarm. In a child process: start it
// with Environment(), which preloads this library and arms it from QZ_DISK_FAULT.
// Threads: Arm, Disarm and the writes may come from any thread.
namespace diskfault {

void Arm(int error, qint64 atByte, const QString& pathPart);
void Disarm();

// The system environment plus what arms the fault in a child process.
QProcessEnvironment Environment(int error, qint64 atByte, const QString& pathPart);

// What a test looks at afterwards: the system's words for an error ("No space left on device"),
// every file under a folder (hidden ones, such as a temporary file left behind, too), sorted, and
// a file's bytes (empty when there is none).
inline QString OsError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

inline QStringList FilesUnder(const QString& dir) {
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

inline QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace diskfault
