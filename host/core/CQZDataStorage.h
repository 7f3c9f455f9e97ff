#pragma once

#include <QString>

// File-system helpers of the client's storage layer. Stateless; callable from any thread.
class CQZDataStorage {
public:
    // Makes sure the directory holding filePath exists. With recursive, missing ancestors are
    // created too; without, only the last level is. True if the directory exists afterwards.
    static bool CreateParentDir(const QString& filePath, bool recursive);
};
