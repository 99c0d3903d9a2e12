#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// [0] is written by the handler, [1] read by the notifier. A handler may
// only make async-signal-safe calls, so it passes the number through a pipe.
int channel[2] = { -1, -1 };

void handle(int number)
{
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(channel[0], &byte, 1);
}

void install(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, channel) != 0)
        return;
    ::fcntl(channel[0], F_SETFL, O_NONBLOCK);
    m_notifier = new QSocketNotifier(channel[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readSignal);
    install(&handle);
}

TerminationSignals::~TerminationSignals()
{
    if (!m_notifier)
        return;
    install(SIG_DFL);
    delete m_notifier;
    ::close(channel[0]);
    ::close(channel[1]);
    channel[0] = channel[1] = -1;
}

void TerminationSignals::readSignal()
{
    unsigned char byte = 0;
    if (::read(channel[1], &byte, 1) == 1)
        emit received(byte);
}
