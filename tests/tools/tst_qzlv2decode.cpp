// `qzlv2 decode`, run as a user runs it, on answer bodies laid out by hand from the wire tables
// (data/*.hex, one commented line per field) and compared with hand-written JSON.
#include <QJsonDocument>
#include <QProcess>
#include <QtTest>

#include "tools/qzlv2/DecodeCommand.h"

namespace {

constexpr int kRunMs = 30000;  // ms, bounded wait for the tool to finish

QString DataFile(const QString& name) {
    return QStringLiteral(QZLV2_TEST_DATA "/") + name;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Run {
    int exit_code = -1;
    QByteArray out;
    QByteArray err;
};

Run RunTool(const QStringList& args, const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(QStringLiteral(QZLV2_TOOL_FILE), args);
    p.write(input);
    p.closeWriteChannel();
    Run r;
    if (p.waitForFinished(kRunMs) && p.exitStatus() == QProcess::NormalExit) {
        r.exit_code = p.exitCode();
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

}  // namespace

class TestQzLv2Decode : public QObject {
    Q_OBJECT

private slots:
    void decodesHandLaidBodies_data();
    void decodesHandLaidBodies();
    void readsRawBytesFromStandardInput();
    void rejectsTruncatedBodies_data();
    void rejectsTruncatedBodies();
    void rejectsUnknownFunctionsAndBadInput_data();
    void rejectsUnknownFunctionsAndBadInput();
    void parsesCommentedHex();
};

void TestQzLv2Decode::decodesHandLaidBodies_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("expected");
    QTest::newRow("12989 two levels") << "12989"
                                      << "12989_two_levels.hex"
                                      << "12989_two_levels.json";
    QTest::newRow("10002 snapshot") << "10002"
                                    << "10002_snapshot.hex"
                                    << "10002_snapshot.json";
    QTest::newRow("12755 related") << "12755"
                                   << "12755_related.hex"
                                   << "12755_related.json";
    QTest::newRow("10012 data set") << "10012"
                                    << "10012_dataset.hex"
                                    << "10012_dataset.json";
}

void TestQzLv2Decode::decodesHandLaidBodies() {
    QFETCH(QString, function);
    QFETCH(QString, body);
    QFETCH(QString, expected);
    const Run r = RunTool({"decode", function, DataFile(body), "--hex"});
    QVERIFY2(r.exit_code == 0, r.err.constData());
    QJsonParseError error{};
    const QJsonDocument actual = QJsonDocument::fromJson(r.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    const QJsonDocument wanted = QJsonDocument::fromJson(ReadAll(DataFile(expected)));
    QVERIFY(!wanted.isNull());
    if (actual != wanted) {
        qWarning().noquote() << r.out;
    }
    QCOMPARE(actual, wanted);
}

void TestQzLv2Decode::readsRawBytesFromStandardInput() {
    QByteArray raw;
    QString error;
    QVERIFY(qzlv2::ParseHex(ReadAll(DataFile("10012_dataset.hex")), raw, error));
    QCOMPARE(raw.size(), 46);
    const Run r = RunTool({"decode", "10012", "-"}, raw);
    QVERIFY2(r.exit_code == 0, r.err.constData());
    QCOMPARE(QJsonDocument::fromJson(r.out),
             QJsonDocument::fromJson(ReadAll(DataFile("10012_dataset.json"))));
}

void TestQzLv2Decode::rejectsTruncatedBodies_data() {
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("body");
    QTest::newRow("12989 cut in a sell level") << "12989"
                                               << "12989_truncated.hex";
    QTest::newRow("10002 cut in a field") << "10002"
                                          << "10002_truncated.hex";
    QTest::newRow("12755 with no bytes") << "12755"
                                         << "";
}

void TestQzLv2Decode::rejectsTruncatedBodies() {
    QFETCH(QString, function);
    QFETCH(QString, body);
    const Run r = body.isEmpty() ? RunTool({"decode", function, "-"})
                                 : RunTool({"decode", function, DataFile(body), "--hex"});
    QCOMPARE(r.exit_code, 1);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(r.err.contains("qzlv2 decode:"), r.err.constData());
}

void TestQzLv2Decode::rejectsUnknownFunctionsAndBadInput_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("function not decoded") << QStringList{"decode", "12930", "-"} << 1;
    QTest::newRow("function not a number") << QStringList{"decode", "fast", "-"} << 2;
    QTest::newRow("missing file") << QStringList{"decode", "12989", "/nonexistent/body"} << 2;
    QTest::newRow("missing argument") << QStringList{"decode", "12989"} << 2;
}

void TestQzLv2Decode::rejectsUnknownFunctionsAndBadInput() {
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    const Run r = RunTool(args);
    QCOMPARE(r.exit_code, exitCode);
    QVERIFY(!r.err.isEmpty());
}

void TestQzLv2Decode::parsesCommentedHex() {
    QByteArray bytes;
    QString error;
    QVERIFY(qzlv2::ParseHex("0a 0B,ff # a comment with 12 digits\n10", bytes, error));
    QCOMPARE(bytes, QByteArray("\x0a\x0b\xff\x10", 4));
    QVERIFY(!qzlv2::ParseHex("0a0", bytes, error));
    QVERIFY(error.contains("odd"));
    QVERIFY(!qzlv2::ParseHex("0x0a", bytes, error));
}

QTEST_GUILESS_MAIN(TestQzLv2Decode)
#include "tst_qzlv2decode.moc"
