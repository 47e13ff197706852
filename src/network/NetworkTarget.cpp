#include "network/NetworkTarget.h"

#include "network/NetworkPackets.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

// E1.31 universes run 1 ... 63999, Art-Net port-addresses 0 ... 32767; two
// universes are used.
constexpr int E131Highest = 63998;
constexpr int ArtNetHighest = 32766;

std::optional<int> number(const QString& text, int lowest, int highest) {
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < lowest || value > highest)
        return std::nullopt;
    return value;
}

ParsedTarget ddp(const QString& rest) {
    NetworkTarget t;
    t.protocol = NetworkTarget::Protocol::Ddp;
    t.port = NetworkPackets::DdpPort;
    t.host = rest;
    const QStringList parts = rest.split(QLatin1Char(':'));
    if (parts.size() == 2) {
        const std::optional<int> port = number(parts[1], 1, 65535);
        if (!port)
            return {std::nullopt, QStringLiteral("ddp:HOST:PORT takes a port from 1 to 65535, "
                                                 "not \"%1\"")
                                      .arg(parts[1])};
        t.host = parts[0];
        t.port = std::uint16_t(*port);
    }
    return {t, {}};
}

ParsedTarget universeOutput(NetworkTarget t, const QString& scheme, const QString& rest, int lowest,
                            int highest) {
    const QStringList parts = rest.split(QLatin1Char(','));
    t.host = parts[0];
    if (parts.size() > 2)
        return {std::nullopt, QStringLiteral("%1:HOST[,UNIVERSE] takes one universe").arg(scheme)};
    if (parts.size() == 2) {
        const std::optional<int> universe = number(parts[1], lowest, highest);
        if (!universe)
            return {std::nullopt, QStringLiteral("%1: the first universe is a whole number from "
                                                 "%2 to %3, not \"%4\"")
                                      .arg(scheme)
                                      .arg(lowest)
                                      .arg(highest)
                                      .arg(parts[1])};
        t.universe = *universe;
    }
    return {t, {}};
}

// A name or a dotted IPv4 address; nothing that could never be looked up.
bool looksLikeHost(const QString& host) {
    static const QRegularExpression name(
        QStringLiteral("^[A-Za-z0-9_](?:[A-Za-z0-9_-]*)(?:\\.[A-Za-z0-9_-]+)*\\.?$"));
    return name.match(host).hasMatch();
}

} // namespace

QString NetworkTarget::protocolName() const {
    switch (protocol) {
    case Protocol::Ddp:
        return QStringLiteral("DDP");
    case Protocol::E131:
        return QStringLiteral("E1.31");
    case Protocol::ArtNet:
        return QStringLiteral("Art-Net");
    }
    return {};
}

ParsedTarget parseNetworkTarget(const QString& a) {
    const qsizetype colon = a.indexOf(QLatin1Char(':'));
    const QString scheme = a.left(colon);
    const QString rest = a.mid(colon + 1);
    ParsedTarget parsed;
    if (scheme == QStringLiteral("ddp")) {
        parsed = ddp(rest);
    } else if (scheme == QStringLiteral("e131")) {
        NetworkTarget t;
        t.protocol = NetworkTarget::Protocol::E131;
        t.port = NetworkPackets::E131Port;
        t.universe = 1;
        parsed = universeOutput(t, scheme, rest, 1, E131Highest);
        if (parsed.target)
            parsed.target->multicast = parsed.target->host == QStringLiteral("multicast");
    } else {
        NetworkTarget t;
        t.protocol = NetworkTarget::Protocol::ArtNet;
        t.port = NetworkPackets::ArtNetPort;
        parsed = universeOutput(t, scheme, rest, 0, ArtNetHighest);
    }
    if (parsed.target && parsed.target->host.isEmpty())
        return {std::nullopt, QStringLiteral("\"%1\" names no host").arg(a)};
    if (parsed.target && !looksLikeHost(parsed.target->host))
        return {
            std::nullopt,
            QStringLiteral("\"%1\" is not a host name or IPv4 address").arg(parsed.target->host)};
    return parsed;
}
