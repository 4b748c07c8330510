#include "app/stop_signals.h"

#include <pthread.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace app {

namespace {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGHUP);
    return set;
}

}  // namespace

void holdStopSignals() {
    const sigset_t set = stopSignals();
    if (const int error = pthread_sigmask(SIG_BLOCK, &set, nullptr); error != 0)
        throw std::runtime_error(std::string("pthread_sigmask: ") + std::strerror(error));
}

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    const sigset_t set = stopSignals();
    descriptor_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (descriptor_ < 0) throw std::runtime_error(std::string("signalfd: ") + std::strerror(errno));
    notifier_ = new QSocketNotifier(descriptor_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::readPending);
}

StopSignals::~StopSignals() {
    delete notifier_;
    if (descriptor_ >= 0) ::close(descriptor_);
}

void StopSignals::readPending() {
    signalfd_siginfo info;
    while (::read(descriptor_, &info, sizeof info) == ssize_t(sizeof info))
        emit received(int(info.ssi_signo));
}

}  // namespace app
