// The framing between the accessors and the quote server: frames laid by hand from the header
// table of docs/wire/transport.md against the encoders and decoders, and a stream of frames cut at
// every byte; the bodies read back and refused when cut; the documented timings and the delays
// between reconnection attempts. (Headers a peer must refuse: tst_tcpbackend's hostile servers.)
#include <QtTest>

#include "host/access/transport/FrameBodies.h"
#include "host/access/transport/FrameReader.h"
#include "host/access/transport/RetryBackoff.h"
#include "host/access/transport/TransportOptions.h"
#include "tests/services/HandLaid.h"

using namespace transport;

namespace {

// A header laid field by field: length, kind, reserved, flags, function, request id.
HandLaid Header(quint32 length, quint8 kind, quint16 flags, qint32 function, qint32 requestId,
                quint8 reserved = 0) {
    HandLaid h;
    return h.u32(length).u8(kind).u8(reserved).u16(flags).i32(function).i32(requestId);
}

QByteArray Laid(quint8 kind, quint16 flags, qint32 function, qint32 requestId,
                const QByteArray& body) {
    return Header(quint32(16 + body.size()), kind, flags, function, requestId).raw(body).bytes();
}

// A 12844 request as the plug-in sends it: two parameters and a context with a cycle.
ServerRequest KlineRequest() {
    ServerRequest r;
    r.funcId = 12844;
    r.flags = 0x80;
    r.taskId = 77;
    r.params = {{"String", QStringLiteral("SH600000")}, {"Int16U", 30}};
    r.encoded = HandLaid().str("SH600000").u16(30).bytes();
    r.context = QSharedPointer<ProcessContext_s>::create();
    r.context->keyGroup.Append("cyclecode", CTVar(QStringLiteral("day")));
    r.context->keyGroup.Append("revcount", CTVar(30));
    return r;
}

QByteArray KlineRequestBody() {
    const QByteArray params = HandLaid().str("SH600000").u16(30).bytes();
    HandLaid b;
    b.u16(2).str("String").str("Int16U");                            // tags
    b.u32(quint32(params.size())).raw(params);                       // encoded parameters
    b.u16(2).str("cyclecode").str("day").str("revcount").str("30");  // context as text
    return b.bytes();
}

// Every frame the reader hands out, encoded again and joined; fails the test on a bad stream.
QByteArray Drain(FrameReader& reader) {
    QByteArray frames;
    Frame frame;
    QString error;
    FrameReader::Status status;
    while ((status = reader.Next(&frame, &error)) == FrameReader::Status::Frame)
        frames += EncodeFrame(frame);
    if (status == FrameReader::Status::Bad)
        qWarning("unexpected: %s", qPrintable(error));
    return frames;
}

}  // namespace

class TestTransportFrames : public QObject {
    Q_OBJECT

private slots:
    // Each kind's frame from its encoder, byte for byte as the table lays it.
    void framesAsLaidOut_data() {
        QTest::addColumn<QByteArray>("encoded");
        QTest::addColumn<QByteArray>("laid");
        ServerRequest request = KlineRequest();
        QTest::newRow("hello") << HelloFrame("l2quote")
                               << Laid(1, 0, 0, 0,
                                       HandLaid().raw("QZLV2NET").u16(1).str("l2quote").bytes());
        QTest::newRow("request: flags, function, task id, tags, parameters, context")
            << RequestFrame(request) << Laid(2, 0x80, 12844, 77, KlineRequestBody());
        QTest::newRow("answer: the request's function and id, the body as is")
            << AnswerFrame(request, "\x01\x02\x03") << Laid(3, 0, 12844, 77, "\x01\x02\x03");
        QTest::newRow("push: function, no request id")
            << PushFrame(10001, "xy") << Laid(4, 0, 10001, 0, "xy");
        QTest::newRow("heartbeat: empty") << HeartbeatFrame() << Laid(5, 0, 0, 0, QByteArray());
        QTest::newRow("failure: code, text")
            << FailureFrame(request, -7, "busy")
            << Laid(6, 0, 12844, 77, HandLaid().i32(-7).str("busy").bytes());
        QTest::newRow("state: 2") << StateFrame(eAccessState_Disconnected)
                                  << Laid(7, 0, 0, 0, HandLaid().u8(2).bytes());
        QTest::newRow("negative function and id keep their sign")
            << EncodeFrame(FrameKind::Answer, 0xFFFF, -2, -3, QByteArray())
            << Laid(3, 0xFFFF, -2, -3, QByteArray());
    }
    void framesAsLaidOut() {
        QFETCH(QByteArray, encoded);
        QFETCH(QByteArray, laid);
        QCOMPARE(encoded.toHex(' '), laid.toHex(' '));
    }

    // Three frames, the middle one empty, cut into two pieces at every byte and fed one byte at
    // a time: the same frames come out, and nothing before the cut completes early.
    void streamCutAtEveryByte() {
        const int firstEnd = RequestFrame(KlineRequest()).size();
        const QByteArray stream = RequestFrame(KlineRequest()) + HeartbeatFrame() +
                                  PushFrame(10001, QByteArray(300, 'p'));
        for (int cut = 0; cut <= stream.size(); ++cut) {
            FrameReader reader;
            reader.Append(stream.left(cut));
            const QByteArray before = Drain(reader);
            QCOMPARE(before.size(), cut < firstEnd        ? 0
                                    : cut < firstEnd + 16 ? firstEnd
                                    : cut < stream.size() ? firstEnd + 16
                                                          : stream.size());
            reader.Append(stream.mid(cut));
            QCOMPARE(before + Drain(reader), stream);
            QCOMPARE(reader.Pending(), 0);
        }
        FrameReader bytewise;
        QByteArray got;
        for (char c : stream) {
            bytewise.Append(QByteArray(1, c));
            got += Drain(bytewise);
        }
        QCOMPARE(got, stream);
    }

    // Each body the encoders make reads back as it was written; cut short at every length, or
    // with a byte more, it is refused with a reason.
    void bodiesReadBackAndRefuseEveryCut_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("hello") << HelloFrame("l2quote");
        QTest::newRow("request") << RequestFrame(KlineRequest());
        QTest::newRow("failure") << FailureFrame(KlineRequest(), -7, "busy");
        QTest::newRow("state") << StateFrame(eAccessState_Connecting);
    }
    void bodiesReadBackAndRefuseEveryCut() {
        QFETCH(QByteArray, frame);
        FrameReader reader;
        reader.Append(frame);
        Frame read;
        QString error;
        QCOMPARE(reader.Next(&read, &error), FrameReader::Status::Frame);
        Hello hello;
        ServerRequest request;
        int code = 0;
        QString text;
        _enAccessState state = eAccessState_Unknown;
        const auto decode = [&](const Frame& f) {
            error.clear();
            switch (f.kind) {
                case FrameKind::Hello:
                    return DecodeHello(f, &hello, &error);
                case FrameKind::Request:
                    return DecodeRequest(f, "l2quote", &request, &error);
                case FrameKind::Failure:
                    return DecodeFailure(f, &code, &text, &error);
                default:
                    return DecodeState(f, &state, &error);
            }
        };
        QVERIFY2(decode(read), qPrintable(error));
        const bool asWritten =
            read.kind == FrameKind::Hello ? hello.peer == "l2quote" && hello.version == 1
            : read.kind == FrameKind::Request
                ? request.params == KlineRequest().params &&
                      request.context->keyGroup.Value("cyclecode").ToString() == "day" &&
                      request.taskId == 77
            : read.kind == FrameKind::Failure ? code == -7 && text == "busy"
                                              : state == eAccessState_Connecting;
        QVERIFY(asWritten);
        for (int size = 0; size <= read.body.size(); ++size) {
            Frame cut = read;
            cut.body = size < read.body.size() ? read.body.left(size) : read.body + '\0';
            QVERIFY2(!decode(cut), qPrintable(QString("%1 bytes").arg(cut.body.size())));
            QVERIFY(!error.isEmpty());
        }
    }

    void documentedTimings() {
        const TransportOptions options;
        QCOMPARE(options.heartbeat_ms, 1000);
        QCOMPARE(options.silence_ms, 2500);
        QCOMPARE(options.check_ms, 250);
        QCOMPARE(options.send_queue_bytes, qint64(4 << 20));
        QCOMPARE(options.first_retry_ms, 100);
        QCOMPARE(options.max_retry_ms, 2000);
    }

    void retryDelaysDoubleUpToTheMaximum_data() {
        QTest::addColumn<int>("firstMs");
        QTest::addColumn<int>("maxMs");
        QTest::addColumn<QList<int>>("delays");
        const TransportOptions documented;
        QTest::newRow("documented") << documented.first_retry_ms << documented.max_retry_ms
                                    << QList<int>{100, 200, 400, 800, 1600, 2000, 2000};
        QTest::newRow("the maximum not a doubling")
            << 300 << 1000 << QList<int>{300, 600, 1000, 1000};
        QTest::newRow("first above the maximum") << 5000 << 2000 << QList<int>{2000, 2000};
        QTest::newRow("no delay is less than 1 ms") << 0 << -5 << QList<int>{1, 1, 1};
    }

    // The delays from the first attempt on, and the first again after a reset.
    void retryDelaysDoubleUpToTheMaximum() {
        QFETCH(int, firstMs);
        QFETCH(int, maxMs);
        QFETCH(QList<int>, delays);
        RetryBackoff backoff(firstMs, maxMs);
        for (int round = 0; round < 2; ++round) {
            QList<int> got;
            for (int i = 0; i < delays.size(); ++i)
                got << backoff.Next();
            QCOMPARE(got, delays);
            backoff.Reset();
        }
    }
};

QTEST_GUILESS_MAIN(TestTransportFrames)
#include "tst_transportframes.moc"
