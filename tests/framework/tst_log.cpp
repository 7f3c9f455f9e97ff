// The plug-in's diagnostics: the tag, separator, message form, each tag under its own logging
// category, and filter rules (what QT_LOGGING_RULES sets) switching them per tag and level.
#include <QtTest>

#include "framework/Log.h"

namespace {

struct Logged {
    QtMsgType type;
    QString category;
    QString message;
};

QList<Logged> g_logged;

void Capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    g_logged << Logged{type, QString::fromLatin1(context.category), message};
}

}  // namespace

class TestLog : public QObject {
    Q_OBJECT

private slots:
    void init() {
        g_logged.clear();
        qInstallMessageHandler(Capture);
    }
    void cleanup() {
        qInstallMessageHandler(nullptr);
        QLoggingCategory::setFilterRules(QString());
    }
    void keepsTheFormUnderTheTagsCategory();
    void rulesSwitchTagsAndLevels_data();
    void rulesSwitchTagsAndLevels();
};

void TestLog::keepsTheFormUnderTheTagsCategory() {
    qzlog::Warning("lv2-test", "body rejected: offset", 68, "of", QStringLiteral("SH600000"));
    qzlog::Info("dataset-test", "clean cached ", "10001", "-", "SZ000001");
    QCOMPARE(g_logged.size(), 2);
    QCOMPARE(g_logged[0].type, QtWarningMsg);
    QCOMPARE(g_logged[0].category, QString("qzlv2.lv2-test"));
    QCOMPARE(g_logged[0].message,
             QString("lv2-test {:SEPARATOR} body rejected: offset 68 of SH600000"));
    QCOMPARE(g_logged[1].type, QtInfoMsg);
    QCOMPARE(g_logged[1].category, QString("qzlv2.dataset-test"));
    QVERIFY(g_logged[1].message.startsWith("dataset-test {:SEPARATOR} clean cached "));
    // One category per tag, made once, whatever pointer the tag text comes through.
    const QByteArray copy("lv2-test");
    QCOMPARE(&qzlog::Category(copy.constData()), &qzlog::Category("lv2-test"));
}

void TestLog::rulesSwitchTagsAndLevels_data() {
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QStringList>("expected");  // "<level> <tag>" of what still comes through
    QTest::newRow("no rules") << QString() << QStringList{"warning a", "info a", "warning b"};
    QTest::newRow("one tag off") << "qzlv2.a=false" << QStringList{"warning b"};
    QTest::newRow("info off") << "qzlv2.*.info=false" << QStringList{"warning a", "warning b"};
    QTest::newRow("only b") << "qzlv2.*=false\nqzlv2.b=true" << QStringList{"warning b"};
}

void TestLog::rulesSwitchTagsAndLevels() {
    QFETCH(QString, rules);
    QFETCH(QStringList, expected);
    QLoggingCategory::setFilterRules(rules);
    qzlog::Warning("a", "one");
    qzlog::Info("a", "two");
    qzlog::Warning("b", "three");
    QStringList seen;
    for (const Logged& l : g_logged)
        seen << QString(l.type == QtWarningMsg ? "warning " : "info ") + l.category.mid(6);
    QCOMPARE(seen, expected);
}

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
