#include "tools/qzlv2/cache/HistoryFileReport.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include "framework/Log.h"
#include "host/core/CMemArchive.h"
#include "services/minuteflow/FlowHistoryFile.h"
#include "tools/qzlv2/cache/CacheDir.h"

namespace qzlv2 {

namespace {

QString captured;  // the last warning of a load, while one runs

// Reads what it can of the header and data block, for `show`; stops at the first short field.
void ReadFields(const QByteArray& bytes, HistoryFileReport& r) {
    try {
        CMemArchive in(bytes);
        in.Skip(4);  // header length
        r.format_version = in.Read<quint32>();
        r.banner = QString::fromUtf8(in.ReadBytes(in.Read<quint16>()));
        r.checksum = in.Read<quint32>();
        in.Skip(4);  // identity length
        r.function_id = in.Read<quint32>();
        r.data_version = in.Read<quint32>();
        in.Skip(4);  // data length
        r.complete = in.Read<quint32>() != 0;
        r.value8 = in.Read<quint32>();
        r.count = in.Read<quint16>();
    } catch (const CMemArchiveError&) {
    }
}

QString Verdict(const QByteArray& bytes, HistoryFileReport& r) {
    historyfile::HistoryData<FlowRecord> data;
    captured.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { captured = text; });
    bool loaded = false;
    try {
        loaded = minuteflow::FlowHistoryFile().Decode(bytes, data);
    } catch (const CMemArchiveError& error) {
        captured = QStringLiteral("cut short: %1 bytes wanted at offset %2 of %3")
                       .arg(error.wanted())
                       .arg(error.offset())
                       .arg(error.size());
    }
    qInstallMessageHandler(previous);
    if (!loaded) {
        return qzlog::MessageOf(captured);
    }
    r.records = data.records;
    if (minuteflow::FlowHistoryFile().Encode(data) != bytes) {
        return QStringLiteral(
            "layout differs from what the plug-in writes (trailing bytes or a "
            "foreign banner)");
    }
    for (size_t i = 1; i < data.records.size(); ++i) {
        if (data.records[i].time <= data.records[i - 1].time) {
            return QStringLiteral("record %1 is not later than the one before it").arg(i);
        }
    }
    return QString();
}

}  // namespace

QStringList HistoryFiles(const QString& dir) {
    QStringList files;
    QDirIterator it(HistoryDir(dir), {QStringLiteral("*.dat")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        files << it.next();
    }
    files.sort();
    return files;
}

HistoryFileReport InspectHistoryFile(const QString& path) {
    HistoryFileReport r;
    r.path = path;
    const QFileInfo info(path);
    r.code = info.completeBaseName();
    r.cycle = info.dir().absolutePath().section(QLatin1Char('/'), -2, -2);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        r.problem = QStringLiteral("cannot read: %1").arg(file.errorString());
        return r;
    }
    const QByteArray bytes = file.readAll();
    r.bytes = bytes.size();
    ReadFields(bytes, r);
    r.problem = Verdict(bytes, r);
    r.good = r.problem.isEmpty();
    return r;
}

}  // namespace qzlv2
