#include <QtTest>

#include <thread>

#include "host/quoter/QuoteDataSourceHandlerConfiguration.h"
#include "host/quoter/QuoterFeatureDAO.h"
#include "host/quoter/QzSignalControlMgr.h"

class TstFeatures : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void defaultSupport_data();
    void defaultSupport();
    void statementsCarryIdAndText();
    void unknownFeatureSupportsNothing();
    void patternCanBeChanged();
    void handlerConfigurationExcludes();
    void fastTenSignalReachesObservers();
    void signalHistoryIsBoundedAndResettable();
    void concurrentPublishCountsEveryMessage();
};

void TstFeatures::cleanup() {
    QuoterFeatureDAO::Default()->GetStockDict()->ResetToDefaults();
    QzSignalControlMgr::GetInstance()->Reset();
}

void TstFeatures::defaultSupport_data() {
    QTest::addColumn<QString>("feature");
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("supported");
    QTest::newRow("SH A-share") << "LV2"
                                << "SH600000" << true;
    QTest::newRow("SZ A-share") << "LV2"
                                << "SZ000001" << true;
    QTest::newRow("five digits") << "LV2"
                                 << "SH60000" << false;
    QTest::newRow("seven digits") << "LV2"
                                  << "SZ0000011" << false;
    QTest::newRow("lower-case market") << "LV2"
                                       << "sh600000" << false;
    QTest::newRow("Hong Kong") << "LV2"
                               << "HK00700" << false;
    QTest::newRow("transfer code on LV2") << "LV2"
                                          << "NQ430001" << false;
    QTest::newRow("empty") << "LV2"
                           << "" << false;
    QTest::newRow("transfer") << "Transfer"
                              << "NQ430001" << true;
    QTest::newRow("A-share on transfer") << "Transfer"
                                         << "SH600000" << false;
}

void TstFeatures::defaultSupport() {
    QFETCH(QString, feature);
    QFETCH(QString, code);
    QFETCH(bool, supported);
    const PatternFeatureStatement statement =
        QuoterFeatureDAO::Default()->GetStockDict()->GetFeatureStatement(feature);
    QCOMPARE(statement.Support(code), supported);
}

void TstFeatures::statementsCarryIdAndText() {
    auto* dict = QuoterFeatureDAO::Default()->GetStockDict();
    QCOMPARE(QuoterFeatureDAO::Default(), QuoterFeatureDAO::Default());
    const PatternFeatureStatement lv2 = dict->GetFeatureStatement("LV2");
    const PatternFeatureStatement transfer = dict->GetFeatureStatement("Transfer");
    QCOMPARE(lv2.GetText(), QStringLiteral("LV2"));
    QCOMPARE(transfer.GetText(), QStringLiteral("Transfer"));
    QVERIFY(lv2.GetId() != transfer.GetId());
    QVERIFY(lv2.IsValid());
}

void TstFeatures::unknownFeatureSupportsNothing() {
    const PatternFeatureStatement none =
        QuoterFeatureDAO::Default()->GetStockDict()->GetFeatureStatement("NoSuch");
    QCOMPARE(none.GetId(), -1);
    QVERIFY(!none.Support("SH600000"));
    QVERIFY(!PatternFeatureStatement().Support(""));
}

void TstFeatures::patternCanBeChanged() {
    auto* dict = QuoterFeatureDAO::Default()->GetStockDict();
    dict->SetFeatureStatement("LV2", PatternFeatureStatement(1, "LV2", "SH6[0-9]{5}"));
    QVERIFY(dict->GetFeatureStatement("LV2").Support("SH600000"));
    QVERIFY(!dict->GetFeatureStatement("LV2").Support("SZ000001"));
    // The pattern must match the whole code, not a part of it.
    dict->SetFeatureStatement("LV2", PatternFeatureStatement(1, "LV2", "SH"));
    QVERIFY(!dict->GetFeatureStatement("LV2").Support("SH600000"));
    dict->ResetToDefaults();
    QVERIFY(dict->GetFeatureStatement("LV2").Support("SZ000001"));
}

void TstFeatures::handlerConfigurationExcludes() {
    QuoteDataSourceHandlerConfiguration config;
    QVERIFY(config.GetExcludedCodeSet().isEmpty());
    QVERIFY(!config.IsExcluded("SH600000"));
    config.SetExcludedCodeSet({"SH600000"});
    HandlerConfiguration* base = &config;  // resolvers see the client's part only
    QVERIFY(base->IsExcluded("SH600000"));
    QVERIFY(!base->IsExcluded("SZ000001"));
    QVERIFY(config.handler == nullptr && config.context == nullptr);
    QCOMPARE(config.lv2_feature.GetId(), 0);
}

void TstFeatures::fastTenSignalReachesObservers() {
    auto* mgr = QzSignalControlMgr::GetInstance();
    QCOMPARE(mgr, QzSignalControlMgr::GetInstance());
    QList<int> flags;
    const int id =
        mgr->Subscribe("fast_ten_topic", [&flags](const QString& topic, const QVariant& v) {
            QCOMPARE(topic, QStringLiteral("fast_ten_topic"));
            flags << v.toInt();
        });
    int others = 0;
    mgr->Subscribe("other", [&others](const QString&, const QVariant&) { ++others; });

    mgr->PublishMsg(Topic_SignalFastTen("fast_ten_topic"), Source_SignalFastTen(1));
    mgr->PublishMsg(Topic_SignalFastTen(), Source_SignalFastTen(-1));
    QCOMPARE(flags, (QList<int>{1, -1}));  // a signed byte stays signed
    QCOMPARE(others, 0);
    QCOMPARE(mgr->MessageCount("fast_ten_topic"), 2);
    QCOMPARE(mgr->LastMessage("fast_ten_topic").toInt(), -1);

    mgr->Unsubscribe(id);
    mgr->PublishMsg(Topic_SignalFastTen(), Source_SignalFastTen(0));
    QCOMPARE(flags.size(), 2);
    QCOMPARE(mgr->MessageCount("fast_ten_topic"), 3);
}

void TstFeatures::signalHistoryIsBoundedAndResettable() {
    auto* mgr = QzSignalControlMgr::GetInstance();
    const int n = QzSignalControlMgr::kKeptMessagesPerTopic + 10;
    for (int i = 0; i < n; ++i) {
        mgr->Publish("t", i);
    }
    QCOMPARE(mgr->MessageCount("t"), n);
    const QList<QVariant> kept = mgr->Messages("t");
    QCOMPARE(kept.size(), QzSignalControlMgr::kKeptMessagesPerTopic);
    QCOMPARE(kept.first().toInt(), 10);  // the oldest go first
    QCOMPARE(kept.last().toInt(), n - 1);
    mgr->Reset();
    QCOMPARE(mgr->MessageCount("t"), 0);
    QVERIFY(!mgr->LastMessage("t").isValid());
}

void TstFeatures::concurrentPublishCountsEveryMessage() {
    auto* mgr = QzSignalControlMgr::GetInstance();
    std::atomic<int> delivered{0};
    mgr->Subscribe("fast_ten_topic",
                   [&delivered](const QString&, const QVariant&) { ++delivered; });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([mgr] {
            for (int i = 0; i < 250; ++i) {
                mgr->PublishMsg(Topic_SignalFastTen(), Source_SignalFastTen(qint8(i % 2)));
                QuoterFeatureDAO::Default()->GetStockDict()->GetFeatureStatement("LV2").Support(
                    "SH600000");
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    QCOMPARE(mgr->MessageCount("fast_ten_topic"), 1000);
    QCOMPARE(delivered.load(), 1000);
}

QTEST_GUILESS_MAIN(TstFeatures)
#include "tst_features.moc"
