#include "Outputs.h"

#include "port/PpdevPort.h"

#ifdef QUENTARO_HAVE_BRIDGE
#include "bridge/BridgePort.h"
#endif
#include "ui/MatrixWindow.h"

#include <QFile>

OpenedOutput openOutput(const QString& portArgument, bool withWindow,
                        const std::function<void(const QString&)>& report) {
    if (portArgument == QStringLiteral("sim")) {
        if (!withWindow)
            return {nullptr, QStringLiteral("--port sim shows a window; it cannot go with --play")};
        return {openMatrixWindow(), {}};
    }
    if (portArgument.startsWith(QStringLiteral("bridge:"))) {
#ifdef QUENTARO_HAVE_BRIDGE
        const std::optional<QString> device = bridgeDevice(portArgument);
        if (!device)
            return {nullptr, QStringLiteral("\"%1\" names no serial device").arg(portArgument)};
        return {openBridge(*device, report), {}};
#else
        return {nullptr, QStringLiteral("this build has no USB bridge support")};
#endif
    }
    return {openParallelPort(QFile::encodeName(portArgument).constData()), {}};
}
