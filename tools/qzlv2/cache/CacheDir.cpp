#include "tools/qzlv2/cache/CacheDir.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "framework/HistoryFilePath.h"
#include "host/core/CDataStoreMgr.h"

namespace qzlv2 {

QCommandLineOption CacheDirOption() {
    return QCommandLineOption(
        "cache-dir",
        "The files directory of the plug-in; the K-line flow history is kept under its "
        "cache/history folder (default: " +
            DefaultCacheDir() + ").",
        "DIR", DefaultCacheDir());
}

QString DefaultCacheDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/qzlv2");
}

QString UseCacheDir(const QString& dir) {
    const QString absolute = QDir(dir).absolutePath();
    CDataStoreMgr::GetDataStoreMgrInstance()->SetFilesRoot(absolute);
    return absolute;
}

QString HistoryDir(const QString& dir) {
    return QDir(dir).absoluteFilePath(
        QStringLiteral("cache/history/v%1").arg(historyfile::kPathVersion));
}

QString CacheDirProblem(const QString& dir, bool mustExist) {
    const QFileInfo info(dir);
    if (!info.exists()) {
        return mustExist ? QStringLiteral("no such directory") : QString();
    }
    return info.isDir() ? QString() : QStringLiteral("it is not a directory");
}

}  // namespace qzlv2
