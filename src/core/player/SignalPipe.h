#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// Turns SIGINT, SIGTERM and SIGHUP into a Qt signal delivered by the event loop.
// The handler only writes one byte to a pipe, which is async-signal-safe; the
// event loop (and so the refresh loop's once-a-pass event processing) reads it.
class SignalPipe final : public QObject {
    Q_OBJECT
public:
    SignalPipe();
    ~SignalPipe() override;

signals:
    void received(int signalNumber);

private:
    void drain();

    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};
