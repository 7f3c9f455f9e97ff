#include "host/core/CDataStoreMgr.h"

#include <QDir>
#include <QMutexLocker>
#include <QStandardPaths>

CDataStoreMgr* CDataStoreMgr::GetDataStoreMgrInstance() {
    static CDataStoreMgr instance;  // thread-safe initialisation
    return &instance;
}

CDataStoreMgr::CDataStoreMgr() : root_(DefaultRoot()) {}

QString CDataStoreMgr::DefaultRoot() {
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!appData.isEmpty()) {
        return QDir::cleanPath(appData);
    }
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.qzclient"));
}

QString CDataStoreMgr::GetFilesDirPath(const QString& name) const {
    QMutexLocker lock(&mutex_);
    return root_ + QLatin1Char('/') + name;
}

void CDataStoreMgr::SetFilesRoot(const QString& dir) {
    QMutexLocker lock(&mutex_);
    root_ = QDir::cleanPath(dir);
}

QString CDataStoreMgr::FilesRoot() const {
    QMutexLocker lock(&mutex_);
    return root_;
}
