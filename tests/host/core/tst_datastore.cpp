#include <QtTest>

#include "host/core/CDataStoreMgr.h"
#include "host/core/CQZDataStorage.h"

class TstDataStore : public QObject {
    Q_OBJECT

private slots:
    void filesDirIsUnderTheRoot();
    void createParentDir();
};

void TstDataStore::filesDirIsUnderTheRoot() {
    CDataStoreMgr* mgr = CDataStoreMgr::GetDataStoreMgrInstance();
    QVERIFY(mgr == CDataStoreMgr::GetDataStoreMgrInstance());
    QVERIFY(!mgr->FilesRoot().isEmpty());  // a usable default
    const QString oldRoot = mgr->FilesRoot();
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    mgr->SetFilesRoot(dir.path() + "/");
    QCOMPARE(mgr->FilesRoot(), dir.path());
    QCOMPARE(mgr->GetFilesDirPath("cache"), dir.path() + "/cache");
    mgr->SetFilesRoot(oldRoot);
}

void TstDataStore::createParentDir() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.path() + "/cache/history/v20200101/SZ/day/2-12844/SZ000001.dat";
    QVERIFY(!CQZDataStorage::CreateParentDir(file, false));  // ancestors missing
    QVERIFY(!QFileInfo::exists(dir.path() + "/cache"));
    QVERIFY(CQZDataStorage::CreateParentDir(file, true));
    QVERIFY(QFileInfo(dir.path() + "/cache/history/v20200101/SZ/day/2-12844").isDir());
    QVERIFY(!QFileInfo::exists(file));                      // only directories are made
    QVERIFY(CQZDataStorage::CreateParentDir(file, false));  // already there
    QVERIFY(CQZDataStorage::CreateParentDir(dir.path() + "/cache/next/f.dat", false));
    QVERIFY(QFileInfo(dir.path() + "/cache/next").isDir());
    QVERIFY(!CQZDataStorage::CreateParentDir(QString(), true));
}

QTEST_GUILESS_MAIN(TstDataStore)
#include "tst_datastore.moc"
