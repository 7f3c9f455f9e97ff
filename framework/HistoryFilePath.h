#pragma once

#include <QString>

// Where the history file of a (stock code, cycle) lives:
// <files dir of "cache">/history/v20200101/<market>/<cycle>/2-12844/<code>.dat, an empty cycle or
// code being named "default". A code or cycle that could leave that directory (a separator, "..",
// or a NUL) is refused: the result is empty and a warning is logged.
// Stateless; callable from any thread.
namespace historyfile {

inline constexpr int kPathVersion = 20200101;  // the "v..." directory level

QString FilePath(const QString& stockCode, const QString& cycle);

// Same, under an explicit files directory (the part that normally comes from CDataStoreMgr).
QString FilePathUnder(const QString& cacheFilesDir, const QString& stockCode, const QString& cycle);

// True when the text cannot name anything but a single entry inside its directory.
bool IsSafeName(const QString& text);

}  // namespace historyfile
