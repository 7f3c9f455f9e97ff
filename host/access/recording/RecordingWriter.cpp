#include "host/access/recording/RecordingWriter.h"

#include <QDebug>
#include <QMutexLocker>

#include "host/access/recording/RecordingFormat.h"
#include "host/core/HostClock.h"

namespace recording {

namespace {

const char kLogTag[] = "recording";

// Writes all the bytes to an unbuffered file: a short write is followed by one for the rest, whose
// failure leaves the system's reason in the file's errorString.
bool WriteAll(QFile& file, const QByteArray& bytes) {
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0) {
            return false;
        }
        done += written;
    }
    return true;
}

}  // namespace

RecordingWriter::RecordingWriter(int maxQueued, qint64 maxQueuedBytes)
    : m_maxQueued(maxQueued), m_maxQueuedBytes(maxQueuedBytes) {}

RecordingWriter::~RecordingWriter() {
    Close();
}

bool RecordingWriter::Open(const QString& path, const QString& recorder, QString* error) {
    RecordingHeader header;
    header.version = kVersion;
    header.startMs = HostClock::NowMs();
    header.recorder = recorder;
    m_file.setFileName(path);
    // Unbuffered: the writer thread writes whole batches, and a failure shows in the write that
    // met it, with its reason.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered) ||
        !WriteAll(m_file, RecordingFormat::EncodeHeader(header))) {
        *error = QStringLiteral("cannot write %1: %2").arg(path, m_file.errorString());
        m_file.close();
        return false;
    }
    {
        QMutexLocker lock(&m_mutex);
        m_startMs = header.startMs;
        m_open = true;
        m_closing = false;
    }
    m_thread = std::thread([this] { Run(); });
    return true;
}

bool RecordingWriter::Close() {
    {
        QMutexLocker lock(&m_mutex);
        if (!m_open) {
            return m_error.isEmpty();
        }
        if (m_pendingDrops > 0) {
            RecordedEvent gap;
            gap.kind = Kind::Dropped;
            gap.dropped = m_pendingDrops;
            gap.timeMs = quint64(qMax<qint64>(0, HostClock::NowMs() - m_startMs));
            m_queue.enqueue(gap);
            m_pendingDrops = 0;
        }
        m_open = false;
        m_closing = true;
        m_held = false;
        m_wake.wakeAll();
    }
    m_thread.join();
    m_file.close();
    QMutexLocker lock(&m_mutex);
    if (m_dropped > 0) {
        qWarning().noquote()
            << kLogTag << "{:SEPARATOR}"
            << QStringLiteral("%1 events dropped: the disk did not keep up").arg(m_dropped);
    }
    return m_error.isEmpty();
}

qint64 RecordingWriter::SizeOf(const RecordedEvent& event) {
    return event.body.size() + event.params.size();
}

bool RecordingWriter::Submit(RecordedEvent event) {
    const qint64 size = SizeOf(event);
    QMutexLocker lock(&m_mutex);
    event.timeMs = quint64(qMax<qint64>(0, HostClock::NowMs() - m_startMs));
    if (!m_open || m_queue.size() >= m_maxQueued || m_queuedBytes + size > m_maxQueuedBytes) {
        ++m_dropped;
        ++m_pendingDrops;
        return false;
    }
    if (m_pendingDrops > 0) {
        RecordedEvent gap;
        gap.kind = Kind::Dropped;
        gap.dropped = m_pendingDrops;
        gap.timeMs = event.timeMs;
        m_queue.enqueue(gap);
        m_pendingDrops = 0;
    }
    m_queuedBytes += size;
    m_queue.enqueue(std::move(event));
    if (m_queue.size() >= kWakeBatch || m_queuedBytes >= m_maxQueuedBytes / 2) {
        m_wake.wakeOne();
    }
    return true;
}

// Writes in batches: every kFlushIntervalMs, or sooner when a batch fills up or Close asks, so
// that a delivery thread's Submit rarely wakes this thread (each wake is a context switch on
// the cores the plug-in runs on).
void RecordingWriter::Run() {
    for (;;) {
        QQueue<RecordedEvent> batch;
        {
            QMutexLocker lock(&m_mutex);
            if (!m_closing) {
                m_wake.wait(&m_mutex, kFlushIntervalMs);
            }
            while (m_held && !m_closing) {
                m_wake.wait(&m_mutex);
            }
            if (m_queue.isEmpty()) {
                if (m_closing) {
                    return;  // everything is written
                }
                continue;
            }
            batch.swap(m_queue);
            m_queuedBytes = 0;
        }
        WriteBatch(batch);
    }
}

void RecordingWriter::WriteBatch(const QQueue<RecordedEvent>& batch) {
    QByteArray bytes;
    for (const RecordedEvent& event : batch) {
        bytes += RecordingFormat::EncodeRecord(event);
    }
    const bool ok = WriteAll(m_file, bytes);
    QMutexLocker lock(&m_mutex);
    if (ok) {
        m_written += quint64(batch.size());
    } else if (m_error.isEmpty()) {
        // Kept for Close and ErrorText: the owner reports it, once.
        m_error =
            QStringLiteral("cannot write %1: %2").arg(m_file.fileName(), m_file.errorString());
    }
}

quint64 RecordingWriter::DroppedCount() const {
    QMutexLocker lock(&m_mutex);
    return m_dropped;
}

quint64 RecordingWriter::WrittenCount() const {
    QMutexLocker lock(&m_mutex);
    return m_written;
}

QString RecordingWriter::ErrorText() const {
    QMutexLocker lock(&m_mutex);
    return m_error;
}

qint64 RecordingWriter::StartMs() const {
    QMutexLocker lock(&m_mutex);
    return m_startMs;
}

void RecordingWriter::HoldForTest(bool hold) {
    QMutexLocker lock(&m_mutex);
    m_held = hold;
    m_wake.wakeAll();
}

}  // namespace recording
