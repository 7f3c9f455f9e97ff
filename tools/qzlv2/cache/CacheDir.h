#pragma once

#include <QCommandLineOption>
#include <QString>

// Where `qzlv2` keeps the plug-in's files: the host's files directory, under which the K-line
// flow history lives at cache/history/v20200101/<market>/<cycle>/2-12844/<code>.dat. The
// --cache-dir option names it; by default it is the user's cache location
// (QStandardPaths::GenericCacheLocation, e.g. ~/.cache) + "/qzlv2".
// Threads: main thread only.
namespace qzlv2 {

QCommandLineOption CacheDirOption();
QString DefaultCacheDir();
// Makes DIR the host's files directory (the storage stand-in) and returns it.
QString UseCacheDir(const QString& dir);
// The folder holding every history file under DIR.
QString HistoryDir(const QString& dir);
// Why DIR cannot serve as the cache directory ("it is not a directory"), or an empty string when
// it can. A missing DIR is a fault only when the command reads from it (`mustExist`): `history`
// makes it.
QString CacheDirProblem(const QString& dir, bool mustExist);

}  // namespace qzlv2
