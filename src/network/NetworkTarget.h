#pragma once

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

struct ParsedTarget {
    std::optional<NetworkTarget> target;
    QString error; // when the value starts like a network output but is not one
};

ParsedTarget parseNetworkTarget(const QString& portArgument);
