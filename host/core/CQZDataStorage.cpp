#include "host/core/CQZDataStorage.h"

#include <QDir>
#include <QFileInfo>

bool CQZDataStorage::CreateParentDir(const QString& filePath, bool recursive) {
    if (filePath.isEmpty()) {
        return false;
    }
    const QString parent = QFileInfo(filePath).absolutePath();
    if (QFileInfo(parent).isDir()) {
        return true;
    }
    return recursive ? QDir().mkpath(parent) : QDir().mkdir(parent);
}
