#include "tools/qzlv2/decode/DecodeFromRecording.h"

#include <QHash>
#include <QJsonDocument>
#include <QPair>

#include <cstdio>

#include "host/access/RequestParamCodec.h"
#include "host/access/recording/RecordingReader.h"
#include "services/largedeals/LargeDealDecoder.h"
#include "tools/qzlv2/commands/DecodeCommand.h"
#include "tools/qzlv2/output/Output.h"

namespace qzlv2 {

namespace {

using recording::Kind;
using recording::RecordedEvent;

constexpr qint64 kMaxIndex = 2147483647;

// The requests of a recording by service and task id, so that an answer finds what it answers.
using Requests = QHash<QPair<QString, int>, const RecordedEvent*>;

Requests RequestsOf(const recording::Recording& r) {
    Requests requests;
    for (const RecordedEvent& e : r.events) {
        if (e.kind == Kind::Request) {
            requests.insert(qMakePair(e.service, e.taskId), &e);
        }
    }
    return requests;
}

// 12990 answers are read by the kind of their request; other bodies, and answers whose request
// was not recorded, by the paged kind.
int LargeDealKind(const RecordedEvent& e, const Requests& requests) {
    const RecordedEvent* request = requests.value(qMakePair(e.service, e.taskId));
    RequestParams params;
    QString error;
    if (e.function != largedeal::kFunctionId || e.kind != Kind::Answer || request == nullptr ||
        !RequestParamCodec::Decode(request->tags, request->params, &params, &error)) {
        return largedeal::kPagedKind;
    }
    return params.value(largedeal::kKindParam).second.toInt();
}

// One body's JSON; `ok` false when it does not decode (or, with `strict`, has trailing bytes).
QJsonObject Decoded(int index, const RecordedEvent& e, int kind, bool strict, bool* ok) {
    QJsonObject json;
    QString error;
    BodyExtent extent;
    *ok = true;
    if (!IsDecodable(e.function)) {
        json = QJsonObject{{"function", e.function}, {"body_bytes", e.body.size()}};
        json.insert("skipped", QStringLiteral("function %1 is not decoded").arg(e.function));
    } else if (!DecodeBody(e.function, e.body, json, error, &extent, kind)) {
        *ok = false;
    } else if (strict && TrailingBytes(e.body.size(), extent) > 0) {
        *ok = false;
        error = DescribeTrailingBytes(e.body.size(), extent);
        json.remove("record");
    }
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
    const Requests requests = RequestsOf(r);
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
        const QJsonObject json =
            Decoded(index, e, LargeDealKind(e, requests), in.IsSet("strict"), &ok);
        allDecoded = allDecoded && ok;
        const QJsonDocument doc(json);
        if (!Output::Results().Write(wanted >= 0 ? doc.toJson(QJsonDocument::Indented)
                                                 : doc.toJson(QJsonDocument::Compact) + "\n")) {
            std::fprintf(stderr, "qzlv2 decode: %s\n", qPrintable(Output::Results().ErrorText()));
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
