#include "tools/qzlv2/commands/CacheCommand.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include "framework/HistoryFilePath.h"
#include "tools/qzlv2/cache/CacheDir.h"
#include "tools/qzlv2/cache/HistoryFileReport.h"
#include "tools/qzlv2/decode/FlowJson.h"
#include "tools/qzlv2/output/Output.h"

namespace qzlv2 {

namespace {

QString Status(const HistoryFileReport& r) {
    return r.good ? QStringLiteral("ok") : QStringLiteral("BAD: ") + r.problem;
}

QJsonObject Summary(const HistoryFileReport& r) {
    return QJsonObject{{"path", r.path},           {"code", r.code},      {"cycle", r.cycle},
                       {"bytes", double(r.bytes)}, {"records", r.count},  {"complete", r.complete},
                       {"good", r.good},           {"problem", r.problem}};
}

int Write(const QByteArray& bytes) {
    if (Output::Results().Write(bytes)) {
        return kExitOk;
    }
    std::fprintf(stderr, "qzlv2 cache: %s\n", qPrintable(Output::Results().ErrorText()));
    return kExitFailed;
}

int List(const QString& dir, bool json) {
    QJsonArray array;
    QByteArray text;
    for (const QString& path : HistoryFiles(dir)) {
        const HistoryFileReport r = InspectHistoryFile(path);
        array.append(Summary(r));
        text += QStringLiteral("%1 %2 %3 records %4 %5 bytes  %6  %7\n")
                    .arg(r.code, -10)
                    .arg(r.cycle, -9)
                    .arg(r.count, 6)
                    .arg(r.complete ? QStringLiteral("complete  ") : QStringLiteral("incomplete"))
                    .arg(r.bytes, 9)
                    .arg(Status(r), r.path)
                    .toUtf8();
    }
    if (!json && array.isEmpty()) {
        std::fprintf(stderr, "qzlv2 cache: no history files under %s\n",
                     qPrintable(HistoryDir(dir)));
    }
    return Write(json ? QJsonDocument(array).toJson(QJsonDocument::Indented) : text);
}

int Show(const QString& code, const QString& cycle, bool json) {
    const QString path = historyfile::FilePath(code, cycle);
    if (path.isEmpty() || !QFileInfo::exists(path)) {
        std::fprintf(stderr, "qzlv2 cache: no history file for %s %s (%s)\n", qPrintable(code),
                     qPrintable(cycle), qPrintable(path));
        return kExitFailed;
    }
    const HistoryFileReport r = InspectHistoryFile(path);
    QJsonObject header = Summary(r);
    header.insert("format_version", double(r.format_version));
    header.insert("banner", r.banner);
    header.insert("checksum", double(r.checksum));
    header.insert("function_id", double(r.function_id));
    header.insert("data_version", double(r.data_version));
    header.insert("value8", double(r.value8));
    if (json) {
        QJsonArray records;
        for (const FlowRecord& record : r.records) {
            QJsonObject o = FlowRecordToJson(record);
            o.insert("marks", double(record.marks));
            records.append(o);
        }
        header.insert("records", records);
        return Write(QJsonDocument(header).toJson(QJsonDocument::Indented));
    }
    QByteArray text;
    for (const QString& key : header.keys()) {
        text +=
            QStringLiteral("%1: %2\n").arg(key, header.value(key).toVariant().toString()).toUtf8();
    }
    text += "date      marks  superincap bigincap   superoutcap bigoutcap  net_capital_flow\n";
    for (const FlowRecord& x : r.records) {
        text += QStringLiteral("%1  %2 %3 %4 %5 %6 %7\n")
                    .arg(x.time)
                    .arg(x.marks, -6)
                    .arg(x.superincap, -10)
                    .arg(x.bigincap, -10)
                    .arg(x.superoutcap, -11)
                    .arg(x.bigoutcap, -10)
                    .arg(x.net_capital_flow)
                    .toUtf8();
    }
    return Write(text);
}

int Verify(const QString& dir) {
    int bad = 0;
    QByteArray text;
    const QStringList files = HistoryFiles(dir);
    for (const QString& path : files) {
        const HistoryFileReport r = InspectHistoryFile(path);
        bad += r.good ? 0 : 1;
        text += (r.good ? QStringLiteral("ok   %1 (%2 records)").arg(path).arg(r.records.size())
                        : QStringLiteral("BAD  %1: %2").arg(path, r.problem))
                    .toUtf8() +
                "\n";
    }
    const int written = Write(text);
    std::fprintf(stderr, "qzlv2 cache: %d history files under %s, %d bad\n", int(files.size()),
                 qPrintable(HistoryDir(dir)), bad);
    return bad > 0 ? kExitFailed : written;
}

void DefineCache(QCommandLineParser& p) {
    p.setApplicationDescription(
        "The K-line capital-flow history files the plug-in keeps under the cache directory. "
        "'ls' lists them (code, cycle, records, complete, bytes, status); 'show CODE CYCLE' prints "
        "one file's header fields and records; 'verify' checks every file as the plug-in loads "
        "it (checksum, versions, lengths) and that it holds exactly what the plug-in writes, "
        "with ascending dates: exit 1 when any file is bad, naming it and why.");
    p.addPositionalArgument("ACTION", "ls, show or verify.", "ls|show|verify");
    p.addPositionalArgument("CODE CYCLE", "For show: the stock code and the cycle.",
                            "[CODE CYCLE]");
    p.addOptions({CacheDirOption(), {"json", "ls and show: print JSON."}});
}

int Cache(const Invocation& in) {
    const QString action = in.Argument(0);
    const QString dir = UseCacheDir(in.Value("cache-dir"));
    const bool json = in.IsSet("json");
    const int wanted = action == QLatin1String("show") ? 3 : 1;
    if (action != QLatin1String("ls") && action != QLatin1String("show") &&
        action != QLatin1String("verify")) {
        throw UsageError(QStringLiteral("ACTION must be ls, show or verify, not '%1'").arg(action));
    }
    if (in.ArgumentCount() != wanted) {
        throw UsageError(action == QLatin1String("show")
                             ? QStringLiteral("show needs CODE and CYCLE")
                             : QStringLiteral("%1 takes no further arguments").arg(action));
    }
    const QString problem = CacheDirProblem(dir, true);
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "qzlv2 cache: cannot use %s as the cache directory: %s\n",
                     qPrintable(dir), qPrintable(problem));
        return kExitFailed;
    }
    if (action == QLatin1String("ls")) {
        return List(dir, json);
    }
    if (action == QLatin1String("show")) {
        return Show(in.Argument(1).toUpper(), in.Argument(2), json);
    }
    return Verify(dir);
}

}  // namespace

Command CacheCommand() {
    return Command{"cache",
                   "cache ls|show CODE CYCLE|verify [--cache-dir DIR] [--json]",
                   "list, show or verify the K-line flow history files on disk",
                   1,
                   3,
                   DefineCache,
                   Cache};
}

}  // namespace qzlv2
