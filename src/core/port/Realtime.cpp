#include "port/Realtime.h"

#include <cerrno>
#include <cstring>
#include <pthread.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/resource.h>

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

} // namespace

namespace Realtime {

std::string raiseCallingThread() {
    sched_param param{};
    param.sched_priority = allowedPriority();
    const int err = pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
    if (err == 0) {
        pinToLastCpu();
        return {};
    }
    return std::string("the matrix refresh runs at normal priority and may flicker while the "
                       "computer is busy (SCHED_FIFO: ") +
           std::strerror(err) +
           "); allow real time with 'setcap cap_sys_nice+ep' on the program, "
           "CPUSchedulingPolicy=fifo or LimitRTPRIO=40 in its systemd unit, or an rtprio "
           "limit in limits.conf; --no-realtime keeps this quiet";
}

void tightenTimerSlack() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

} // namespace Realtime
