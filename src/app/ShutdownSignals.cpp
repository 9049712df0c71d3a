#include "app/ShutdownSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Shared with the handler, which may touch nothing else.
int wakeRead = -1;
std::atomic<int> wakeWrite{-1};
std::atomic<int> caught{0};

}  // namespace

ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;  // the signals keep their defaults
    wakeRead = fds[0];
    wakeWrite = fds[1];
    caught = 0;
    notifier_ = new QSocketNotifier(wakeRead, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ShutdownSignals::OnWake);
    struct sigaction action {};
    action.sa_handler = &ShutdownSignals::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &action, &previous_[i]);
}

ShutdownSignals::~ShutdownSignals() {
    if (notifier_ == nullptr) return;
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &previous_[i], nullptr);
    ::close(wakeWrite.exchange(-1));
    ::close(wakeRead);
    wakeRead = -1;
}

void ShutdownSignals::OnSignal(int signal) {
    // The window is already closing (or cannot close): asked again, the process goes now.
    if (caught.exchange(signal) != 0) ::_exit(128 + signal);
    const int savedErrno = errno;
    const char byte = 1;
    const int fd = wakeWrite.load();
    if (fd >= 0 && ::write(fd, &byte, 1) < 0) {
        // A full pipe already holds a wake-up.
    }
    errno = savedErrno;
}

void ShutdownSignals::OnWake() {
    char byte = 0;
    while (::read(wakeRead, &byte, 1) > 0) {
    }
    // What the session manager delivers when the desktop session ends: Qt closes the open
    // windows (message boxes first, then the main window, which completes a recording)
    // and leaves the event loops.
    QEvent quit(QEvent::Quit);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
}
