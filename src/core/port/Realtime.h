#pragma once

#include <functional>
#include <string>

// Real-time scheduling for the thread that multiplexes the matrix.
namespace Realtime {

// The SCHED_FIFO priority asked for: above every ordinary thread, below the
// kernel's interrupt threads (50).
constexpr int Priority = 40;

// Asks a service outside the process (RealtimeKit on a desktop) to put thread
// `tid` of this process under real time, at `priority` or the highest below it
// that the service allows. Returns why not in a few words; empty when granted.
using Broker = std::function<std::string(long tid, int priority)>;

// Puts the calling thread under SCHED_FIFO or, when the kernel refuses and
// there is a broker, asks the broker; when either grants it and the process may
// use more than one CPU, pins the thread to the last of them. Returns why it
// stays at the normal policy, in one line that says how to allow real time;
// empty when it runs in real time.
std::string raiseCallingThread(const Broker& askBroker = {});

// The choice raiseCallingThread makes, for tests: `direct` asks the kernel for
// the given priority and returns 0 or an errno value; `askBroker` is asked
// for thread `tid` only when the kernel refuses.
std::string raise(const std::function<int(int priority)>& direct, const Broker& askBroker,
                  long tid);

// The share of each period that the kernel lets real-time threads run
// (sched_rt_runtime_us over sched_rt_period_us): a thread that runs longer is
// stopped until the period ends. 1 when the kernel sets no limit; the kernel's
// default when the settings cannot be read.
double runtimeShare();

// Locks the process's pages in memory, so that no page fault can stop the
// real-time thread in a row. Returns why not, in one line; empty when locked.
std::string lockMemory();

// Lets the calling thread's sleeps at the normal policy end within a
// microsecond instead of the default 50 µs timer slack.
void tightenTimerSlack();

} // namespace Realtime
