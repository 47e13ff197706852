#include "port/PanelSetup.h"

#include "port/MatrixOutput.h"

#include <QSettings>
#include <algorithm>
#include <memory>

namespace {

const QString MapKey = QStringLiteral("map");
const QString ColourKey = QStringLiteral("colour");
const QString BrightnessKey = QStringLiteral("brightness");
const QString MaxFpsKey = QStringLiteral("max-fps");
const QString SyncKey = QStringLiteral("sync");
const QString MatrixLevelsKey = QStringLiteral("matrix-levels");

// A '/' in the value would nest groups.
QString keyOf(const QString& port) {
    return QString(port).replace(QLatin1Char('/'), QLatin1Char('|'));
}

// One group per output.
std::unique_ptr<QSettings> groupOf(const QString& port) {
    auto settings = std::make_unique<QSettings>();
    settings->beginGroup(QStringLiteral("panel"));
    settings->beginGroup(keyOf(port));
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
    s.syncUniverses = kept->value(SyncKey).toString() == QLatin1String("true"); // as stored
    return s;
}

void storePanelSetup(const QString& port, const PanelSetup& setup) {
    const std::unique_ptr<QSettings> kept = groupOf(port);
    kept->setValue(MapKey, panelWiringText(setup.mapping.wiring));
    kept->setValue(ColourKey, panelColourText(setup.mapping.colour));
    kept->setValue(BrightnessKey, setup.mapping.brightness);
    kept->setValue(MaxFpsKey, setup.maxFps);
    kept->setValue(SyncKey, setup.syncUniverses);
}

int storedBrightness(const QString& port) {
    QSettings settings;
    settings.beginGroup(BrightnessKey);
    return within(settings.value(keyOf(port)), MatrixOutput::MaxBrightness,
                  MatrixOutput::MinBrightness, MatrixOutput::MaxBrightness);
}

void storeBrightness(const QString& port, int percent) {
    QSettings settings;
    settings.beginGroup(BrightnessKey);
    settings.setValue(
        keyOf(port), std::clamp(percent, MatrixOutput::MinBrightness, MatrixOutput::MaxBrightness));
}

int storedMatrixLevels() {
    return QSettings().value(MatrixLevelsKey).toInt() == MoreMatrixLevels ? MoreMatrixLevels
                                                                          : FewerMatrixLevels;
}

void storeMatrixLevels(int levels) {
    QSettings().setValue(MatrixLevelsKey,
                         levels == MoreMatrixLevels ? MoreMatrixLevels : FewerMatrixLevels);
}
