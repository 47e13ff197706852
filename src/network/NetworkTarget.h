#pragma once

#include <QHostAddress>
#include <QString>
#include <cstdint>
#include <optional>

// Where a network output sends: ddp:HOST[:PORT], e131:HOST[,UNIVERSE] (HOST
// "multicast" for the universes' groups) or artnet:HOST[,UNIVERSE].
struct NetworkTarget {
    enum class Protocol { Ddp, E131, ArtNet };
    Protocol protocol = Protocol::Ddp;
    QString host;
    std::uint16_t port = 0;
    int universe = 0; // the first of two for E1.31 and Art-Net
    bool multicast = false;

    QString protocolName() const;
};

// The universes a protocol has: Art-Net's 15-bit port-addresses, E1.31's
// universes. An output takes the universe given and the next, so the last one
// cannot be the first.
struct UniverseRange {
    int lowest;
    int highest;
};
constexpr UniverseRange ArtNetUniverses{0, 32767};
constexpr UniverseRange E131Universes{1, 63999};

struct ParsedTarget {
    std::optional<NetworkTarget> target;
    QString error; // when the value starts like a network output but is not one
};

ParsedTarget parseNetworkTarget(const QString& portArgument);

// What an IPv4 address is when no single panel can be at it ("the unspecified
// address", "the broadcast address", "a multicast group", "a reserved
// address"); empty when one can.
QString unusableAddress(const QHostAddress& address);
