#pragma once

#include <QString>

// What became of one save of a file: kept (written whole and renamed into place) or not, with
// the reason in the operating system's words ("No space left on device").
// A plain value; any thread.
namespace historyfile {

struct SaveOutcome {
    QString path;   // the file meant; empty when no path could be formed
    QString error;  // empty when the file was kept

    static SaveOutcome Kept(const QString& path) { return SaveOutcome{path, QString()}; }
    static SaveOutcome NotKept(const QString& path, const QString& error) {
        return SaveOutcome{path, error};
    }
    bool IsKept() const { return error.isEmpty(); }
    explicit operator bool() const { return IsKept(); }
};

}  // namespace historyfile
