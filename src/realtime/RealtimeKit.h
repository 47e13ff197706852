#pragma once

#include <string>

// RealtimeKit (org.freedesktop.RealtimeKit1 on the system bus) puts a thread of
// the calling process under real time (SCHED_RR) within the limits it
// publishes, as it does for sound servers.
namespace RealtimeKit {

// Lowers this process's RLIMIT_RTTIME to the most rtkit accepts (it refuses a
// process that could run without sleeping for longer) and asks it to make
// thread `tid` real time at `priority`, or at rtkit's highest when that is
// lower. Returns why not in a few words; empty when granted. A Realtime::Broker.
std::string makeThreadRealtime(long tid, int priority);

} // namespace RealtimeKit
