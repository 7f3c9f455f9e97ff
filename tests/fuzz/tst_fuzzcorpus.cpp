// Replays the fuzz corpora through every decoder, every seed cut at every length, and sweeps the
// first seed of each decoder with every pair of bit flips in its first 64 bytes, so each run
// checks the decoders against damaged input even without a fuzzing build. Every seed must decode;
// a damaged one may decode or be rejected.
#include <QDir>
#include <QFile>
#include <QtTest>

#include "fuzz/FuzzEntries.h"

namespace {

constexpr int kSweptBytes = 64;

bool Run(qzfuzz::Entry entry, const QByteArray& bytes) {
    return entry(reinterpret_cast<const uint8_t*>(bytes.constData()),
                 static_cast<size_t>(bytes.size()));
}

}  // namespace

class TestFuzzCorpus : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { qzfuzz::SilenceLog(); }

    void seedsDecodeAndSurviveBitPairFlips_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("seed");
        QTest::addColumn<bool>("swept");
        int count = 0;
        const qzfuzz::NamedEntry* entries = qzfuzz::Entries(&count);
        for (int i = 0; i < count; ++i) {
            QDir dir(QStringLiteral(QZ_FUZZ_CORPUS_DIR "/") + entries[i].name);
            const QStringList files = dir.entryList(QDir::Files, QDir::Name);
            for (const QString& file : files) {
                const QString row = QString("%1/%2").arg(entries[i].name, file);
                QTest::newRow(qPrintable(row))
                    << QString(entries[i].name) << dir.filePath(file) << (file == files.first());
            }
        }
    }

    void seedsDecodeAndSurviveBitPairFlips() {
        QFETCH(QString, entry);
        QFETCH(QString, seed);
        QFETCH(bool, swept);
        const qzfuzz::Entry named = qzfuzz::FindEntry(qPrintable(entry));
        QVERIFY(named != nullptr);
        QFile file(seed);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray original = file.readAll();
        QVERIFY2(Run(named, original), "a seed must decode");

        // Truncations at every length: each must be handled, most must be rejected.
        for (int length = 0; length < original.size(); ++length)
            Run(named, original.left(length));

        const int bits = swept ? 8 * qMin(kSweptBytes, original.size()) : 0;
        QByteArray damaged = original;
        char* bytes = damaged.data();
        for (int a = 0; a < bits; ++a) {
            bytes[a / 8] ^= char(1 << (a % 8));
            for (int b = a + 1; b < bits; ++b) {
                bytes[b / 8] ^= char(1 << (b % 8));
                Run(named, damaged);
                bytes[b / 8] ^= char(1 << (b % 8));
            }
            bytes[a / 8] ^= char(1 << (a % 8));
        }
        QCOMPARE(damaged, original);
    }
};

QTEST_GUILESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
