// SIGTERM, SIGINT and SIGHUP (logout, shutdown, kill, Ctrl+C, a closed terminal) end the
// program the way the desktop session's end does: the application gets Qt's quit event,
// which closes every window, the main window through its own closing path (a running
// recording is completed first). The handler itself only writes a byte into a pipe that
// the event loop watches; a second signal ends the process at once.
#pragma once

#include <QObject>
#include <csignal>

class QSocketNotifier;

class ShutdownSignals final : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object at a time. The previous handlers come back when it
    // is destroyed.
    explicit ShutdownSignals(QObject* parent = nullptr);
    ~ShutdownSignals() override;

    ShutdownSignals(const ShutdownSignals&) = delete;
    ShutdownSignals& operator=(const ShutdownSignals&) = delete;

private:
    static void OnSignal(int signal);
    void OnWake();

    QSocketNotifier* notifier_ = nullptr;
    struct sigaction previous_[3] = {};
};
