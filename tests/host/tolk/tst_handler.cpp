#include <QtTest>

#include "host/tolk/Handler.h"

using kestrov::tolk::cor::Handler;
using kestrov::tolk::cor::Intent;

namespace {

struct NamedIntent : Intent {
    QStringList visited;
};

// Records its visit, then either answers itself or leaves the request to the base behaviour.
class RecordingHandler : public Handler {
public:
    RecordingHandler(const QString& name, bool answers, bool answer)
        : Handler(name), answers_(answers), answer_(answer) {}

    bool Handle(QSharedPointer<Intent> intent) override {
        intent.staticCast<NamedIntent>()->visited << GetHandlerName();
        return answers_ ? answer_ : Handler::Handle(intent);
    }

private:
    bool answers_;
    bool answer_;
};

}  // namespace

class TstHandler : public QObject {
    Q_OBJECT

private slots:
    void handleReturnsTheAnsweringSuccessorsResult_data() {
        QTest::addColumn<bool>("answer");
        QTest::newRow("true") << true;
        QTest::newRow("false") << false;
    }

    void handleReturnsTheAnsweringSuccessorsResult() {
        QFETCH(bool, answer);
        RecordingHandler first("first", false, !answer);
        RecordingHandler middle("middle", false, !answer);
        RecordingHandler last("last", true, answer);
        first.SetSuccessor(&middle);
        middle.SetSuccessor(&last);

        auto intent = QSharedPointer<NamedIntent>::create();
        QCOMPARE(first.Handle(intent), answer);
        QCOMPARE(intent->visited, QStringList({"first", "middle", "last"}));
    }

    void handleStopsAtTheHandlerThatAnswers() {
        RecordingHandler first("first", true, true);
        RecordingHandler second("second", true, false);
        first.SetSuccessor(&second);

        auto intent = QSharedPointer<NamedIntent>::create();
        QVERIFY(first.Handle(intent));
        QCOMPARE(intent->visited, QStringList({"first"}));
    }

    void baseHandleWithoutSuccessorIsFalse() {
        Handler alone("alone");
        QVERIFY(!alone.Handle(QSharedPointer<NamedIntent>::create()));
        QVERIFY(!alone.Handle(QSharedPointer<Intent>()));
    }

    void passingHandlerAtTheEndIsFalse() {
        RecordingHandler first("first", false, true);
        Handler end("end");
        first.SetSuccessor(&end);
        auto intent = QSharedPointer<NamedIntent>::create();
        QVERIFY(!first.Handle(intent));
        QCOMPARE(intent->visited, QStringList({"first"}));
    }

    void successorsAndNames() {
        Handler a("a");
        Handler b("b");
        Handler c("c");
        QCOMPARE(a.GetHandlerName(), QString("a"));
        QCOMPARE(a.GetNextSuccessor(), nullptr);
        QCOMPARE(a.GetLastSuccessor(), &a);

        a.SetSuccessor(&b);
        a.GetLastSuccessor()->SetSuccessor(&c);  // appends at the end of the chain
        QCOMPARE(a.GetNextSuccessor(), &b);
        QCOMPARE(b.GetNextSuccessor(), &c);
        QCOMPARE(a.GetLastSuccessor(), &c);
        QCOMPARE(b.GetLastSuccessor(), &c);
        QCOMPARE(c.GetLastSuccessor(), &c);

        a.SetSuccessor(nullptr);
        QCOMPARE(a.GetLastSuccessor(), &a);
    }
};

QTEST_GUILESS_MAIN(TstHandler)
#include "tst_handler.moc"
