#pragma once

#include <QString>
#include <functional>
#include <memory>

class PortIo;
class QWidget;

// The matrix output a --port value names: a parallel port device, the USB bridge
// ("bridge:" and a serial device) or the on-screen matrix ("sim", only with a
// window). An output that cannot be opened says why in one line on standard
// error and sends nothing; a value that names no output at all is an error.
struct OpenedOutput {
    std::unique_ptr<PortIo> port;
    QString error; // the value names no output this program can drive
};

// `report` takes the lines an output has to say while the program runs (the
// bridge: unplugged, found again).
OpenedOutput openOutput(const QString& portArgument, bool withWindow,
                        const std::function<void(const QString&)>& report);
