#include "tools/qzlv2/DecodeFromRecording.h"

#include <QJsonDocument>

#include <cstdio>

#include "host/access/recording/RecordingReader.h"
#include "tools/qzlv2/DecodeCommand.h"
#include "tools/qzlv2/Output.h"

namespace qzlv2 {

namespace {

using recording::Kind;
using recording::RecordedEvent;

constexpr qint64 kMaxIndex = 2147483647;

QJsonObject Decoded(int index, const RecordedEvent& e, bool* ok) {
    QJsonObject json;
    QString error;
    *ok = DecodeBody(e.function, e.body, json, error);
    json.insert("index", index);
    json.insert("time_ms", qint64(e.timeMs));
    json.insert("kind", e.kind == Kind::Answer ? "answer" : "push");
    json.insert("service", e.service);
    if (!*ok) {
        json.insert("error", error);
    }
    return json;
}

}  // namespace

void DefineDecodeFrom(QCommandLineParser& p) {
    p.addOptions({
        {"from",
         "Decode the answer and push bodies of the recording FILE instead (one JSON line each; "
         "FUNCTION and FILE are then not given).",
         "FILE"},
        {"function", "With --from: only bodies of function N.", "N"},
        {"index", "With --from: only body K (as numbered in the JSON lines), indented.", "K"},
    });
}

int DecodeFromRecording(const Invocation& in) {
    if (in.ArgumentCount() > 0) {
        throw UsageError(QStringLiteral("--from takes no FUNCTION or FILE"));
    }
    const qint64 function = in.IsSet("function") ? in.Number("function", 0, kMaxIndex) : -1;
    const qint64 wanted = in.IsSet("index") ? in.Number("index", 0, kMaxIndex) : -1;
    const recording::Recording r = recording::RecordingReader::ReadFile(in.Value("from"));
    if (!r.valid) {
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(r.error));
        return kExitFailed;
    }
    if (!r.warning.isEmpty()) {
        std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(r.warning));
    }
    int index = -1;
    bool allDecoded = true;
    for (const RecordedEvent& e : r.events) {
        if (e.kind != Kind::Answer && e.kind != Kind::Push) {
            continue;
        }
        ++index;
        if ((function >= 0 && e.function != function) || (wanted >= 0 && index != wanted)) {
            continue;
        }
        bool ok = false;
        const QJsonObject json = Decoded(index, e, &ok);
        allDecoded = allDecoded && ok;
        const QJsonDocument doc(json);
        if (!Output::Results().Write(wanted >= 0 ? doc.toJson(QJsonDocument::Indented)
                                                 : doc.toJson(QJsonDocument::Compact) + "\n")) {
            return kExitFailed;
        }
        if (wanted >= 0) {
            return ok ? kExitOk : kExitFailed;
        }
    }
    if (wanted >= 0) {
        std::fprintf(
            stderr, "qzlv2 decode: the recording has no body %lld%s\n", wanted,
            function >= 0 ? qPrintable(QStringLiteral(" of function %1").arg(function)) : "");
        return kExitFailed;
    }
    return allDecoded ? kExitOk : kExitFailed;
}

}  // namespace qzlv2
