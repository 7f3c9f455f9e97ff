#include "tools/qzlv2/commands/RecordingInfoCommand.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QMap>

#include <cstdio>

#include "tools/qzlv2/output/Output.h"

namespace qzlv2 {

namespace {

using recording::Kind;
using recording::RecordedEvent;

struct FunctionCounts {
    int requests = 0;
    int answers = 0;
    int pushes = 0;
    int failures = 0;
    qint64 bodyBytes = 0;
};

QJsonArray LinkEvents(const recording::Recording& r) {
    QJsonArray links;
    for (const RecordedEvent& e : r.events) {
        if (e.kind == Kind::Link) {
            links.append(QJsonObject{
                {"time_ms", qint64(e.timeMs)}, {"service", e.service}, {"state", int(e.state)}});
        }
    }
    return links;
}

QJsonArray Functions(const recording::Recording& r) {
    QMap<QPair<QString, int>, FunctionCounts> counts;
    for (const RecordedEvent& e : r.events) {
        if (e.kind == Kind::Link || e.kind == Kind::Dropped) {
            continue;
        }
        FunctionCounts& c = counts[qMakePair(e.service, e.function)];
        c.requests += e.kind == Kind::Request ? 1 : 0;
        c.answers += e.kind == Kind::Answer ? 1 : 0;
        c.pushes += e.kind == Kind::Push ? 1 : 0;
        c.failures += e.kind == Kind::Failure ? 1 : 0;
        c.bodyBytes += e.body.size();
    }
    QJsonArray functions;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
        functions.append(QJsonObject{{"service", it.key().first},
                                     {"function", it.key().second},
                                     {"requests", it->requests},
                                     {"answers", it->answers},
                                     {"pushes", it->pushes},
                                     {"failures", it->failures},
                                     {"body_bytes", it->bodyBytes}});
    }
    return functions;
}

QString Text(const QJsonObject& s) {
    QString text = QStringLiteral(
                       "recorder: %1\nformat version: %2\nstarted: %3\nduration: %4 ms\n"
                       "records: %5\n")
                       .arg(s["recorder"].toString())
                       .arg(s["version"].toInt())
                       .arg(s["start"].toString())
                       .arg(s["duration_ms"].toVariant().toLongLong())
                       .arg(s["records"].toInt());
    text += QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                .arg("service", -12)
                .arg("function", 8)
                .arg("requests", 9)
                .arg("answers", 8)
                .arg("pushes", 7)
                .arg("failures", 9);
    for (const QJsonValue& v : s["functions"].toArray()) {
        const QJsonObject f = v.toObject();
        text += QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                    .arg(f["service"].toString(), -12)
                    .arg(f["function"].toInt(), 8)
                    .arg(f["requests"].toInt(), 9)
                    .arg(f["answers"].toInt(), 8)
                    .arg(f["pushes"].toInt(), 7)
                    .arg(f["failures"].toInt(), 9);
    }
    text += QStringLiteral("link events: %1\n").arg(s["link_events"].toArray().size());
    for (const QJsonValue& v : s["link_events"].toArray()) {
        const QJsonObject l = v.toObject();
        text +=
            QStringLiteral("  %1 ms  %2  %3\n")
                .arg(l["time_ms"].toVariant().toLongLong(), 8)
                .arg(l["service"].toString(), -12)
                .arg(l["state"].toInt() == eAccessState_Connected ? "connected" : "not connected");
    }
    text += QStringLiteral("dropped by the recorder: %1\nbad records: %2%3\nunknown records: %4\n")
                .arg(s["dropped"].toInt())
                .arg(s["bad_records"].toInt())
                .arg(s["damage"].toString().isEmpty()
                         ? QString()
                         : QStringLiteral(" (") + s["damage"].toString() + ")")
                .arg(s["unknown_records"].toInt());
    return text;
}

void DefineInfo(QCommandLineParser& p) {
    p.setApplicationDescription(
        "Summarises a recording made by 'qzlv2 record': the recorder, start time and duration, "
        "requests, answers, pushes and failures per function, the link events, and the records "
        "dropped by the recorder or damaged in the file (reading stops at the first damaged "
        "record). Exit 1 when FILE is not a readable recording.");
    p.addPositionalArgument("info", "The sub-command: info.");
    p.addPositionalArgument("FILE", "The recording.");
    p.addOption({"json", "Print one JSON object instead of text."});
}

int Info(const Invocation& in) {
    if (in.Argument(0) != QLatin1String("info")) {
        throw UsageError(
            QStringLiteral("unknown sub-command '%1'; usage: qzlv2 recording info FILE")
                .arg(in.Argument(0)));
    }
    const recording::Recording r = recording::RecordingReader::ReadFile(in.Argument(1));
    if (!r.valid) {
        std::fprintf(stderr, "qzlv2 recording: %s\n", qPrintable(r.error));
        return kExitFailed;
    }
    const QJsonObject summary = RecordingSummary(r);
    Output::Results().Write(in.IsSet("json")
                                ? QJsonDocument(summary).toJson(QJsonDocument::Compact) + "\n"
                                : Text(summary).toUtf8());
    return kExitOk;
}

}  // namespace

QJsonObject RecordingSummary(const recording::Recording& r) {
    quint64 dropped = 0;
    for (const RecordedEvent& e : r.events) {
        dropped += e.kind == Kind::Dropped ? e.dropped : 0;
    }
    const qint64 duration = r.events.isEmpty() ? 0 : qint64(r.events.last().timeMs);
    return QJsonObject{
        {"recorder", r.header.recorder},
        {"version", r.header.version},
        {"start", QDateTime::fromMSecsSinceEpoch(r.header.startMs).toString(Qt::ISODateWithMs)},
        {"duration_ms", duration},
        {"records", r.events.size()},
        {"functions", Functions(r)},
        {"link_events", LinkEvents(r)},
        {"dropped", qint64(dropped)},
        {"bad_records", r.damageOffset >= 0 ? 1 : 0},
        {"damage", r.warning},
        {"unknown_records", r.unknownRecords},
    };
}

Command RecordingInfoCommand() {
    return Command{"recording",
                   "recording info FILE [--json]",
                   "summarise a recording: counts per function, duration, link events",
                   2,
                   2,
                   DefineInfo,
                   Info};
}

}  // namespace qzlv2
