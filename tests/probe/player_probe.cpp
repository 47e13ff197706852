// The player as a child process for the tests: plays its argument through a port
// that writes every register write to standard output as two bytes (0 data, 1
// control, then the value), with the real clock and the real lock file, set up
// in the program's order.
#include "editor/InstanceCheck.h"
#include "playback/AnimationTimer.h"
#include "player/Player.h"
#include "player/SignalPipe.h"
#include "port/Clock.h"
#include "port/PortIo.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

namespace {

class PipePort final : public PortIo {
public:
    void writeData(std::uint8_t value) override { put(0, value); }
    void writeControl(std::uint8_t value) override { put(1, value); }

private:
    static void put(std::uint8_t reg, std::uint8_t value) {
        const std::uint8_t bytes[2] = {reg, value};
        [[maybe_unused]] const ssize_t written = ::write(STDOUT_FILENO, bytes, 2);
    }
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    SignalPipe stopSignals;
    if (argc != 3)
        return 2;
    PipePort port;
    SteadyClock clock;
    LockFileInstanceCheck instanceCheck;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    Player player({port, clock, instanceCheck, *timer, stopSignals,
                   [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); }});
    return player.run(QString::fromLocal8Bit(argv[1]), std::atoi(argv[2]));
}
