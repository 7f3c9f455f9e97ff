#include "framework/HistoryFilePath.h"

#include <QDir>

#include "framework/Log.h"
#include "host/core/CDataStoreMgr.h"

namespace historyfile {

namespace {

const QString kPattern = QStringLiteral("%1%2history%3v%4%5%6%7%8%9%10%11%12.dat");
const QString kFunctionDir = QStringLiteral("2-12844");
const QString kDefaultName = QStringLiteral("default");

QString OrDefault(const QString& text) {
    return text.isEmpty() ? kDefaultName : text;
}

}  // namespace

bool IsSafeName(const QString& text) {
    return !text.contains(QLatin1Char('/')) && !text.contains(QLatin1Char('\\')) &&
           !text.contains(QLatin1String("..")) && !text.contains(QChar(0));
}

QString FilePathUnder(const QString& cacheFilesDir, const QString& stockCode,
                      const QString& cycle) {
    if (!IsSafeName(stockCode) || !IsSafeName(cycle)) {
        qzlog::Warning("qzLv2quoter",
                       "refused a history file name that leaves the cache directory");
        return QString();
    }
    const QString sep(QDir::separator());
    // One multi-argument substitution: text coming from a code cannot be taken for a placeholder.
    return kPattern.arg(cacheFilesDir, sep, sep, QString::number(kPathVersion), sep,
                        stockCode.left(2), sep, OrDefault(cycle), sep, kFunctionDir, sep,
                        OrDefault(stockCode));
}

QString FilePath(const QString& stockCode, const QString& cycle) {
    const QString dir = CDataStoreMgr::GetDataStoreMgrInstance()->GetFilesDirPath("cache");
    return FilePathUnder(dir, stockCode, cycle);
}

}  // namespace historyfile
