#include "tools/qzlv2/CacheDir.h"

#include <QDir>
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

}  // namespace qzlv2
