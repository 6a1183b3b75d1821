#include "Interrupt.h"

#include "Options.h"
#include "UTFillProjects/TFillProjects.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <pthread.h>

namespace {

sigset_t stopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    return set;
}

} // namespace

void TStopOnSignal::HoldSignals() {
    sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

TStopOnSignal::TStopOnSignal(TFillProjects& projects) : projects_(projects) {
    // blocked before the watcher starts, so that it inherits the mask and only sigtimedwait
    // ever sees the signals
    HoldSignals();
    watcher_ = std::thread([this] { watch(); });
}

TStopOnSignal::~TStopOnSignal() {
    done_ = true;
    watcher_.join();
    sigset_t set = stopSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

void TStopOnSignal::watch() {
    sigset_t set = stopSignals();
    const timespec tick{0, 100'000'000};
    while (!done_) {
        if (sigtimedwait(&set, nullptr, &tick) < 0) continue;
        if (stopped_) {
            std::cerr << "\ntdg: stopped at once; the open transaction is lost\n";
            std::_Exit(exitStopped);
        }
        stopped_ = true;
        std::cerr << "\ntdg: stopping after the row in progress (Ctrl-C again ends at once)\n";
        projects_.stopInsert();
    }
}
