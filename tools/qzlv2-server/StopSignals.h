#pragma once

#include <QObject>

class QSocketNotifier;

// SIGINT and SIGTERM as a Qt signal: the handler only writes the signal's number to a pipe, and
// the event loop reads it and emits Stop, so the program stops in order (exit 0).
// Threads: created on the main thread, which runs the event loop; one instance per process.
namespace qzlv2server {

class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void Stop(int signal);

private:
    void OnReadable();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace qzlv2server
