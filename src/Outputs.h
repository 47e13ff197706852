#pragma once

#include <QString>
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

OpenedOutput openOutput(const QString& portArgument, bool withWindow);
