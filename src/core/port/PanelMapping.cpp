#include "port/PanelMapping.h"

#include <QRegularExpression>
#include <QStringList>
#include <algorithm>
#include <utility>

namespace {

constexpr int Side = 16;
constexpr int Last = Side - 1;

// The picture's (row, column) as it lands on the panel, turned clockwise and
// mirrored left to right first.
std::pair<int, int> placed(const PanelWiring& w, int row, int column) {
    if (w.mirror)
        column = Last - column;
    switch (w.rotation) {
    case 90:
        return {column, Last - row};
    case 180:
        return {Last - row, Last - column};
    case 270:
        return {Last - column, row};
    default:
        return {row, column};
    }
}

struct Word {
    const char* text;
    void (*apply)(PanelWiring&);
};

// clang-format off
const Word Words[] = {
    {"top-left", [](PanelWiring& w) { w.start = PanelWiring::Corner::TopLeft; }},
    {"top-right", [](PanelWiring& w) { w.start = PanelWiring::Corner::TopRight; }},
    {"bottom-left", [](PanelWiring& w) { w.start = PanelWiring::Corner::BottomLeft; }},
    {"bottom-right", [](PanelWiring& w) { w.start = PanelWiring::Corner::BottomRight; }},
    {"rows", [](PanelWiring& w) { w.columns = false; }},
    {"columns", [](PanelWiring& w) { w.columns = true; }},
    {"serpentine", [](PanelWiring& w) { w.serpentine = true; }},
    {"straight", [](PanelWiring& w) { w.serpentine = false; }},
    {"rotate-0", [](PanelWiring& w) { w.rotation = 0; }},
    {"rotate-90", [](PanelWiring& w) { w.rotation = 90; }},
    {"rotate-180", [](PanelWiring& w) { w.rotation = 180; }},
    {"rotate-270", [](PanelWiring& w) { w.rotation = 270; }},
    {"mirror", [](PanelWiring& w) { w.mirror = true; }},
    {"no-mirror", [](PanelWiring& w) { w.mirror = false; }},
};
// clang-format on

struct NamedColour {
    const char* name;
    PanelColour colour;
};

const NamedColour Colours[] = {
    {"red", {255, 0, 0}},       {"green", {0, 255, 0}},    {"blue", {0, 0, 255}},
    {"white", {255, 255, 255}}, {"yellow", {255, 255, 0}}, {"cyan", {0, 255, 255}},
    {"magenta", {255, 0, 255}}, {"orange", {255, 128, 0}},
};

const char* const CornerNames[] = {"top-left", "top-right", "bottom-left", "bottom-right"};

} // namespace

int PanelMapping::ledIndex(int row, int column) const {
    auto [r, c] = placed(wiring, row, column);
    if (wiring.start == PanelWiring::Corner::BottomLeft ||
        wiring.start == PanelWiring::Corner::BottomRight)
        r = Last - r;
    if (wiring.start == PanelWiring::Corner::TopRight ||
        wiring.start == PanelWiring::Corner::BottomRight)
        c = Last - c;
    const int line = wiring.columns ? c : r;
    int along = wiring.columns ? r : c;
    if (wiring.serpentine && line % 2 == 1)
        along = Last - along;
    return line * Side + along;
}

PanelMapping::Rgb PanelMapping::rgb(const PortIo::PackedFrame& frame) const {
    const int percent = std::clamp(brightness, 0, 100);
    const auto dim = [percent](std::uint8_t v) { return std::uint8_t((v * percent + 50) / 100); };
    const std::uint8_t lit[3] = {dim(colour.red), dim(colour.green), dim(colour.blue)};
    Rgb out{};
    for (int row = 0; row < Side; ++row) {
        for (int column = 0; column < Side; ++column) {
            const std::uint8_t half = frame[std::size_t(row * 2 + column / 8)];
            if ((half >> (column % 8) & 1) == 0)
                continue;
            const auto at = std::size_t(ledIndex(row, column) * 3);
            std::copy(lit, lit + 3, out.begin() + std::ptrdiff_t(at));
        }
    }
    return out;
}

ParsedWiring parsePanelWiring(const QString& text) {
    PanelWiring wiring;
    const QStringList words = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {std::nullopt, QStringLiteral("--map takes words such as "
                                             "\"top-left,rows,serpentine\", not \"%1\"")
                                  .arg(text)};
    for (const QString& word : words) {
        const QString w = word.trimmed().toLower();
        const auto known = std::find_if(std::begin(Words), std::end(Words),
                                        [&w](const Word& k) { return w == QLatin1String(k.text); });
        if (known == std::end(Words))
            return {std::nullopt,
                    QStringLiteral("--map: \"%1\" is not one of top-left, top-right, bottom-left, "
                                   "bottom-right, rows, columns, serpentine, straight, rotate-0, "
                                   "rotate-90, rotate-180, rotate-270, mirror, no-mirror")
                        .arg(word.trimmed())};
        known->apply(wiring);
    }
    return {wiring, {}};
}

QString panelWiringText(const PanelWiring& w) {
    QStringList words{QLatin1String(CornerNames[int(w.start)]),
                      w.columns ? QStringLiteral("columns") : QStringLiteral("rows"),
                      w.serpentine ? QStringLiteral("serpentine") : QStringLiteral("straight"),
                      QStringLiteral("rotate-%1").arg(w.rotation)};
    if (w.mirror)
        words << QStringLiteral("mirror");
    return words.join(QLatin1Char(','));
}

std::optional<PanelColour> parsePanelColour(const QString& text) {
    const QString t = text.trimmed().toLower();
    for (const NamedColour& named : Colours) {
        if (t == QLatin1String(named.name))
            return named.colour;
    }
    static const QRegularExpression hex(
        QRegularExpression::anchoredPattern(QStringLiteral("#[0-9a-f]{6}")));
    if (!hex.match(t).hasMatch()) // toUInt would also take "0x", a sign and blanks
        return std::nullopt;
    const uint value = t.mid(1).toUInt(nullptr, 16);
    return PanelColour{std::uint8_t(value >> 16), std::uint8_t(value >> 8), std::uint8_t(value)};
}

QString panelColourText(const PanelColour& c) {
    return QStringLiteral("#%1").arg((uint(c.red) << 16) | (uint(c.green) << 8) | c.blue, 6, 16,
                                     QLatin1Char('0'));
}

PortIo::PackedFrame panelTestPicture() {
    // Each row's lit columns, from the first to the last.
    struct Span {
        int row, first, last;
    };
    static constexpr Span Lit[] = {
        {0, 0, 2}, {1, 0, 2}, {2, 0, 2},              // the corner
        {3, 7, 8}, {4, 6, 9}, {5, 5, 10}, {6, 4, 11}, // the arrow's head
    };
    PortIo::PackedFrame frame{};
    const auto light = [&frame](int row, int column) {
        frame[std::size_t(row * 2 + column / 8)] |= std::uint8_t(1 << (column % 8));
    };
    for (const Span& s : Lit) {
        for (int column = s.first; column <= s.last; ++column)
            light(s.row, column);
    }
    for (int row = 7; row <= 13; ++row) { // its shaft
        light(row, 7);
        light(row, 8);
    }
    return frame;
}
