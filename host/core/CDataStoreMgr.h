#pragma once

#include <QMutex>
#include <QString>

// Where the client keeps its files: a files root with one directory per named store.
// The root defaults to the application's data location (or ~/.qzclient when there is none);
// SetFilesRoot moves it (tests point it at a temporary directory). Paths are not created here.
//
// Threads: the singleton may be used from any thread; mutex_ guards root_.
class CDataStoreMgr {
public:
    static CDataStoreMgr* GetDataStoreMgrInstance();

    QString GetFilesDirPath(const QString& name) const;  // root + "/" + name
    void SetFilesRoot(const QString& dir);
    QString FilesRoot() const;

private:
    CDataStoreMgr();
    static QString DefaultRoot();

    mutable QMutex mutex_;
    QString root_;
};
