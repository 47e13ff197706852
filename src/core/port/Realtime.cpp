#include "port/Realtime.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// An unprivileged process may still use SCHED_FIFO up to its RLIMIT_RTPRIO.
int allowedPriority() {
    rlimit limit{};
    if (getrlimit(RLIMIT_RTPRIO, &limit) != 0 || limit.rlim_cur == 0)
        return Realtime::Priority;
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur >= rlim_t(Realtime::Priority))
        return Realtime::Priority;
    return static_cast<int>(limit.rlim_cur);
}

void pinToLastCpu() {
    cpu_set_t allowed;
    CPU_ZERO(&allowed);
    if (pthread_getaffinity_np(pthread_self(), sizeof allowed, &allowed) != 0 ||
        CPU_COUNT(&allowed) < 2)
        return;
    int last = CPU_SETSIZE - 1;
    while (last > 0 && !CPU_ISSET(last, &allowed))
        --last;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(last, &one);
    pthread_setaffinity_np(pthread_self(), sizeof one, &one);
}

double runtimeShareOf(long long runtimeMicroseconds, long long periodMicroseconds) {
    if (runtimeMicroseconds < 0)
        return 1.0;
    if (periodMicroseconds <= 0 || runtimeMicroseconds > periodMicroseconds)
        return 0.95;
    return double(runtimeMicroseconds) / double(periodMicroseconds);
}

} // namespace

namespace Realtime {

std::string raise(const std::function<int(int priority)>& direct, const Broker& askBroker,
                  long tid) {
    const int err = direct(allowedPriority());
    if (err == 0)
        return {};
    std::string why = std::string("SCHED_FIFO: ") + std::strerror(err);
    if (askBroker) {
        const std::string brokerWhy = askBroker(tid, allowedPriority());
        if (brokerWhy.empty())
            return {};
        why += "; rtkit: " + brokerWhy;
    } else {
        why += "; this build does not ask rtkit";
    }
    return "the matrix refresh runs at normal priority and may flicker while the computer is "
           "busy (" +
           why +
           "); allow real time with 'setcap cap_sys_nice+ep' on the program, "
           "CPUSchedulingPolicy=fifo or LimitRTPRIO=40 in its systemd unit, an rtprio limit in "
           "limits.conf, or rtkit-daemon (RealtimeKit) on the system bus; --no-realtime keeps "
           "this quiet";
}

std::string raiseCallingThread(const Broker& askBroker) {
    const auto setFifo = [](int priority) {
        sched_param param{};
        param.sched_priority = priority;
        return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    };
    std::string why = raise(setFifo, askBroker, static_cast<long>(gettid()));
    if (why.empty())
        pinToLastCpu();
    return why;
}

double runtimeShare() {
    long long runtime = 950000, period = 1000000;
    std::ifstream("/proc/sys/kernel/sched_rt_runtime_us") >> runtime;
    std::ifstream("/proc/sys/kernel/sched_rt_period_us") >> period;
    return runtimeShareOf(runtime, period);
}

// The pages of the mappings there are now, each from when it is first used:
// the code, the libraries, the refresh thread's stack. Untouched pages (the
// other threads' stacks) are not brought in, and mappings made later are left
// out, so that a low memory-lock limit never makes a later allocation fail.
std::string lockMemory() {
    if (mlockall(MCL_CURRENT | MCL_ONFAULT) == 0)
        return {};
    return std::string("the matrix refresh may pause in a row while the system pages memory "
                       "(mlockall: ") +
           std::strerror(errno) +
           "); raise the memory-lock limit (LimitMEMLOCK in its systemd unit, memlock in "
           "limits.conf) to lock it";
}

void tightenTimerSlack() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

} // namespace Realtime
