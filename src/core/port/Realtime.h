#pragma once

#include <string>

// Real-time scheduling for the thread that multiplexes the matrix.
namespace Realtime {

// The SCHED_FIFO priority asked for: above every ordinary thread, below the
// kernel's interrupt threads (50).
constexpr int Priority = 40;

// Puts the calling thread under SCHED_FIFO and, when the process may use more
// than one CPU, pins it to the last of them. Returns why it stays at the
// normal policy, in one line that says how to allow real time; empty when it
// runs in real time.
std::string raiseCallingThread();

// Lets the calling thread's sleeps at the normal policy end within a
// microsecond instead of the default 50 µs timer slack.
void tightenTimerSlack();

} // namespace Realtime
