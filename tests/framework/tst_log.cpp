// The plug-in's diagnostics: tag, separator and message form, one logging category per tag, and
// filter rules (what QT_LOGGING_RULES sets) switching them per tag and level.
#include <QtTest>

#include "framework/Log.h"

namespace {

QStringList g_logged;  // "<type> <category> <message>"

void Capture(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    g_logged << QString::number(type) + " " + QString::fromLatin1(context.category) + " " + message;
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

    void keepsTheFormUnderTheTagsCategory() {
        qzlog::Warning("lv2-test", "body rejected: offset", 68, "of", QStringLiteral("SH600000"));
        qzlog::Info("dataset-test", "clean cached ", "10001", "-", "SZ000001");
        QCOMPARE(g_logged.size(), 2);
        QCOMPARE(g_logged[0], QString("%1 qzlv2.lv2-test lv2-test {:SEPARATOR} body rejected: "
                                      "offset 68 of SH600000")
                                  .arg(QtWarningMsg));
        QVERIFY2(g_logged[1].startsWith(QString("%1 qzlv2.dataset-test dataset-test {:SEPARATOR} "
                                                "clean cached ")
                                            .arg(QtInfoMsg)),
                 qPrintable(g_logged[1]));
        const QByteArray copy("lv2-test");  // the same category whatever pointer the tag comes by
        QCOMPARE(&qzlog::Category(copy.constData()), &qzlog::Category("lv2-test"));
    }

    void rulesSwitchTagsAndLevels_data() {
        QTest::addColumn<QString>("rules");
        QTest::addColumn<QStringList>("expected");  // "<level> <tag>" of what still comes through
        QTest::newRow("no rules") << QString() << QStringList{"warning a", "info a", "warning b"};
        QTest::newRow("one tag off") << "qzlv2.a=false" << QStringList{"warning b"};
        QTest::newRow("info off") << "qzlv2.*.info=false" << QStringList{"warning a", "warning b"};
        QTest::newRow("only b") << "qzlv2.*=false\nqzlv2.b=true" << QStringList{"warning b"};
    }

    void rulesSwitchTagsAndLevels() {
        QFETCH(QString, rules);
        QFETCH(QStringList, expected);
        QLoggingCategory::setFilterRules(rules);
        qzlog::Warning("a", "one");
        qzlog::Info("a", "two");
        qzlog::Warning("b", "three");
        QStringList seen;
        for (const QString& l : g_logged) {
            const QStringList parts = l.split(' ');
            seen << QString(parts[0].toInt() == QtWarningMsg ? "warning " : "info ") +
                        parts[1].mid(6);
        }
        QCOMPARE(seen, expected);
    }
};

QTEST_GUILESS_MAIN(TestLog)
#include "tst_log.moc"
