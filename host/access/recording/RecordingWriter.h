#pragma once

// Writes a session recording (docs/recording.md) from a thread of its own, so that the threads
// that submit events (an accessor's delivery thread, a backend's timer thread) never wait on the
// disk. Events wait in a bounded queue; when it is full an event is dropped and counted, and the
// next record written is a "dropped" record with the count, so a reader sees the gap. The writer
// thread writes every kFlushIntervalMs (a crash loses at most that much), sooner when a batch
// fills. The first write that fails is kept ("cannot write FILE: No space left on device") for
// Close and ErrorText, and not logged: the owner reports it, once.
//
// Threads: Open and Close from one owning thread; Submit and the counters from any thread.
// m_mutex guards the queue, the counters, the start time and the hold flag; the file is touched
// only by the writer thread between Open and Close.

#include <QByteArray>
#include <QFile>
#include <QMutex>
#include <QQueue>
#include <QString>
#include <QWaitCondition>

#include <thread>

#include "host/access/recording/RecordedEvent.h"

namespace recording {

class RecordingWriter {
public:
    static constexpr int kDefaultMaxQueued = 8192;                // events
    static constexpr qint64 kDefaultMaxQueuedBytes = 64ll << 20;  // body and parameter bytes
    static constexpr int kFlushIntervalMs = 50;  // ms between writes of what is queued
    static constexpr int kWakeBatch = 512;       // events that wake the writer before that

    RecordingWriter(int maxQueued = kDefaultMaxQueued,
                    qint64 maxQueuedBytes = kDefaultMaxQueuedBytes);
    ~RecordingWriter();  // Close

    // Creates (or truncates) the file, writes the header with the host clock's now as the start
    // time, and starts the writer thread. False with *error when the file cannot be written.
    bool Open(const QString& path, const QString& recorder, QString* error);
    // Writes what is queued, stops the writer thread and closes the file. False when any write
    // failed (ErrorText says which).
    bool Close();

    // Stamps the event with the time since the start and queues it; false (and counted) when the
    // queue is full or the writer is not open. Never waits for the disk.
    bool Submit(RecordedEvent event);

    quint64 DroppedCount() const;
    quint64 WrittenCount() const;
    QString ErrorText() const;
    qint64 StartMs() const;

    // Tests: while held, the writer thread takes nothing from the queue (so it fills up).
    void HoldForTest(bool hold);

private:
    void Run();
    void WriteBatch(const QQueue<RecordedEvent>& batch);
    static qint64 SizeOf(const RecordedEvent& event);

    const int m_maxQueued;
    const qint64 m_maxQueuedBytes;
    QFile m_file;
    std::thread m_thread;

    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    QQueue<RecordedEvent> m_queue;
    qint64 m_queuedBytes = 0;
    qint64 m_startMs = 0;
    bool m_open = false;
    bool m_closing = false;
    bool m_held = false;
    quint32 m_pendingDrops = 0;  // dropped since the last queued event
    quint64 m_dropped = 0;
    quint64 m_written = 0;
    QString m_error;
};

}  // namespace recording
