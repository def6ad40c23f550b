#include "platform/Signals.h"

#include <signal.h>

#include <atomic>

namespace plat {
namespace {

std::atomic<bool> g_sessionEnd{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnSessionEndSignal(int) { g_sessionEnd.store(true); }

}  // namespace

void InstallSessionEndSignals() {
    struct sigaction sa {};
    sa.sa_handler = OnSessionEndSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) ::sigaction(sig, &sa, nullptr);
}

bool TakeSessionEndRequest() { return g_sessionEnd.exchange(false); }

void RequestSessionEnd() { g_sessionEnd.store(true); }

}  // namespace plat
