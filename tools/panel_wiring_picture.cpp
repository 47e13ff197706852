// Writes the picture of docs/network.md: the mapping test picture with the
// wiring of each MAP given (default: top-left,rows,serpentine) side by side.
//   panel_wiring_picture OUT.png [MAP ...]
#include "pictures/PanelWiringPicture.h"

#include <QGuiApplication>
#include <QPainter>
#include <cstdio>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: panel_wiring_picture OUT.png [MAP ...]\n");
        return 2;
    }
    QStringList maps = args.mid(1);
    if (maps.isEmpty())
        maps << QStringLiteral("top-left,rows,serpentine");
    constexpr int Scale = 16, Gap = 16, Side = 16 * Scale;
    QImage sheet(int(maps.size()) * (Side + Gap) - Gap, Side, QImage::Format_ARGB32);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    for (int i = 0; i < maps.size(); ++i) {
        const ParsedWiring parsed = parsePanelWiring(maps[i]);
        if (!parsed.wiring) {
            std::fprintf(stderr, "panel_wiring_picture: %s\n", qPrintable(parsed.error));
            return 2;
        }
        PanelMapping mapping;
        mapping.wiring = *parsed.wiring;
        painter.drawImage(i * (Side + Gap), 0, renderPanelWiring(mapping, Scale));
    }
    painter.end();
    if (!sheet.save(args[0])) {
        std::fprintf(stderr, "panel_wiring_picture: cannot write %s\n", qPrintable(args[0]));
        return 1;
    }
    return 0;
}
