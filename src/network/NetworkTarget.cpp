#include "network/NetworkTarget.h"

#include "network/NetworkPackets.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

constexpr int LongestName = 253;
constexpr int LongestLabel = 63;

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

ParsedTarget universeOutput(NetworkTarget t, const QString& scheme, const QString& rest,
                            UniverseRange range) {
    const QStringList parts = rest.split(QLatin1Char(','));
    t.host = parts[0];
    if (parts.size() > 2)
        return {std::nullopt, QStringLiteral("%1:HOST[,UNIVERSE] takes one universe").arg(scheme)};
    if (parts.size() == 2) {
        const int lastFirst = range.highest - 1;
        const std::optional<int> universe = number(parts[1], range.lowest, lastFirst);
        if (!universe)
            return {std::nullopt, QStringLiteral("%1: the first universe is a whole number from "
                                                 "%2 to %3 (the panel takes it and the next), "
                                                 "not \"%4\"")
                                      .arg(scheme)
                                      .arg(range.lowest)
                                      .arg(lastFirst)
                                      .arg(parts[1])};
        t.universe = *universe;
    }
    return {t, {}};
}

// What is wrong with a host name: its length, a part between dots or a
// character that no name can have; empty when nothing is.
QString nameProblem(const QString& host) {
    QString name = host;
    if (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.size() > LongestName)
        return QStringLiteral("a name has at most %1 characters, this one %2")
            .arg(LongestName)
            .arg(name.size());
    static const QRegularExpression allowed(QStringLiteral("[^A-Za-z0-9_.-]"));
    const QRegularExpressionMatch bad = allowed.match(name);
    if (bad.hasMatch()) {
        const QString c = bad.captured();
        return c == QStringLiteral(" ") ? QStringLiteral("a name has no blanks")
                                        : QStringLiteral("\"%1\" cannot be in a name").arg(c);
    }
    static const QRegularExpression numeric(QStringLiteral("^[0-9.]+$"));
    if (numeric.match(name).hasMatch())
        return QStringLiteral("it is not an IPv4 address either");
    for (const QString& label : name.split(QLatin1Char('.'))) {
        if (label.isEmpty())
            return QStringLiteral("a part between dots is empty");
        if (label.size() > LongestLabel)
            return QStringLiteral("a part between dots has at most %1 characters, \"%2…\" %3")
                .arg(LongestLabel)
                .arg(label.left(12))
                .arg(label.size());
        if (label.startsWith(QLatin1Char('-')) || label.endsWith(QLatin1Char('-')))
            return QStringLiteral("a part between dots cannot start or end with \"-\"");
    }
    return {};
}

// Why no panel can be at `host`; empty when one can.
QString hostProblem(const QString& host) {
    const QHostAddress literal(host);
    if (literal.protocol() == QAbstractSocket::IPv4Protocol) {
        const QString what = unusableAddress(literal);
        if (what.isEmpty())
            return {};
        return QStringLiteral("\"%1\" is %2 (%3), not a panel's address")
            .arg(host, what, literal.toString());
    }
    const QString why = nameProblem(host);
    return why.isEmpty()
               ? why
               : QStringLiteral("\"%1\" is not a host name or IPv4 address: %2").arg(host, why);
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
        parsed = universeOutput(t, scheme, rest, E131Universes);
        if (parsed.target)
            parsed.target->multicast = parsed.target->host == QStringLiteral("multicast");
    } else {
        NetworkTarget t;
        t.protocol = NetworkTarget::Protocol::ArtNet;
        t.port = NetworkPackets::ArtNetPort;
        parsed = universeOutput(t, scheme, rest, ArtNetUniverses);
    }
    if (parsed.target && parsed.target->host.isEmpty())
        return {std::nullopt, QStringLiteral("\"%1\" names no host").arg(a)};
    if (parsed.target) {
        const QString problem = hostProblem(parsed.target->host);
        if (!problem.isEmpty())
            return {std::nullopt, problem};
    }
    return parsed;
}

QString unusableAddress(const QHostAddress& address) {
    const quint32 a = address.toIPv4Address();
    if (a == 0)
        return QStringLiteral("the unspecified address");
    if (a >> 24 == 0)
        return QStringLiteral("an address of 0.0.0.0/8, which no host has");
    if (a == 0xFFFFFFFFu)
        return QStringLiteral("the broadcast address");
    if (a >> 28 == 0xE)
        return QStringLiteral("a multicast group");
    if (a >> 28 == 0xF)
        return QStringLiteral("a reserved address");
    return {};
}
