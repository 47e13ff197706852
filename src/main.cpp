#include "editor/InstanceCheck.h"
#include "port/Clock.h"
#include "port/PpdevPort.h"
#include "ui/Form1.h"
#include "ui/QtCommonDialog.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setApplicationName(QStringLiteral("quentaro"));
    QApplication::setDesktopFileName(QStringLiteral("quentaro"));

    std::unique_ptr<PortIo> port = openFirstParallelPort();
    QtCommonDialog dialog;
    SteadyClock clock;
    LockFileInstanceCheck instanceCheck;
    Form1 window({*port, dialog, clock, instanceCheck, {}});
    if (window.hasEnded())
        return 0;
    dialog.setParent(&window);
    window.show();
    return app.exec();
}
