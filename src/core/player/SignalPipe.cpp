#include "player/SignalPipe.h"

#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int writeEnd = -1;
constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalPipe::SignalPipe() {
    if (::pipe2(fds_, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    writeEnd = fds_[1];
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : Signals)
        ::sigaction(s, &action, nullptr);
    // A signal from now on waits in the pipe until the event loop reads it.
    notifier_ = std::make_unique<QSocketNotifier>(fds_[0], QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &SignalPipe::drain);
}

SignalPipe::~SignalPipe() {
    for (int s : Signals)
        std::signal(s, SIG_DFL);
    writeEnd = -1;
    notifier_.reset();
    for (int fd : fds_)
        if (fd >= 0)
            ::close(fd);
}

void SignalPipe::drain() {
    unsigned char byte = 0;
    while (::read(fds_[0], &byte, 1) == 1)
        emit received(byte);
}
