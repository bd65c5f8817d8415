#include "app/ending_signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int signalSocket[2] = {-1, -1};

void OnEndingSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(signalSocket[0], &byte, 1);
}

} // namespace

EndingSignals::EndingSignals(QObject* parent) : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalSocket) != 0)
        return;
    notifier_ = new QSocketNotifier(signalSocket[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        received_ = true;
        char bytes[16];
        while (::read(signalSocket[1], bytes, sizeof bytes) > 0) { }
        // exit, not quit: quit would ask the window, whose close asks the operator.
        QCoreApplication::exit(0);
    });
    struct sigaction action { };
    action.sa_handler = OnEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

EndingSignals::~EndingSignals()
{
    if (!notifier_)
        return;
    for (int signal : kSignals)
        std::signal(signal, SIG_DFL);
    delete notifier_;
    ::close(signalSocket[0]);
    ::close(signalSocket[1]);
    signalSocket[0] = signalSocket[1] = -1;
}

#else

EndingSignals::EndingSignals(QObject* parent) : QObject(parent) { }
EndingSignals::~EndingSignals() = default;

#endif
