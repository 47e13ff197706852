#include "port/PanelSetup.h"

#include <QSettings>
#include <algorithm>
#include <memory>

namespace {

const QString MapKey = QStringLiteral("map");
const QString ColourKey = QStringLiteral("colour");
const QString BrightnessKey = QStringLiteral("brightness");
const QString MaxFpsKey = QStringLiteral("max-fps");

// One group per output; a '/' in the value would nest groups.
std::unique_ptr<QSettings> groupOf(const QString& port) {
    auto settings = std::make_unique<QSettings>();
    settings->beginGroup(QStringLiteral("panel"));
    settings->beginGroup(QString(port).replace(QLatin1Char('/'), QLatin1Char('|')));
    return settings;
}

int within(const QVariant& value, int fallback, int lowest, int highest) {
    bool ok = false;
    const int number = value.toInt(&ok);
    return ok ? std::clamp(number, lowest, highest) : fallback;
}

} // namespace

PanelSetup storedPanelSetup(const QString& port) {
    const std::unique_ptr<QSettings> kept = groupOf(port);
    PanelSetup s;
    PanelMapping& m = s.mapping;
    m.wiring = parsePanelWiring(kept->value(MapKey).toString()).wiring.value_or(m.wiring);
    m.colour = parsePanelColour(kept->value(ColourKey).toString()).value_or(m.colour);
    m.brightness = within(kept->value(BrightnessKey), m.brightness, 1, 100);
    s.maxFps = within(kept->value(MaxFpsKey), s.maxFps, PanelSetup::LowestMaxFps,
                      PanelSetup::HighestMaxFps);
    return s;
}

void storePanelSetup(const QString& port, const PanelSetup& setup) {
    const std::unique_ptr<QSettings> kept = groupOf(port);
    kept->setValue(MapKey, panelWiringText(setup.mapping.wiring));
    kept->setValue(ColourKey, panelColourText(setup.mapping.colour));
    kept->setValue(BrightnessKey, setup.mapping.brightness);
    kept->setValue(MaxFpsKey, setup.maxFps);
}
