#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>
#include <vector>

// The datagrams of the three LED network protocols, built byte by byte as their
// published descriptions lay them out.
namespace NetworkPackets {

constexpr std::uint16_t DdpPort = 4048;
constexpr std::uint16_t E131Port = 5568;
constexpr std::uint16_t ArtNetPort = 6454;
// 768 RGB bytes do not fit one DMX universe of 512 values: 170 LEDs (510 values)
// in the first, the other 86 (258 values) in the next.
constexpr int FirstUniverseSlots = 510;
constexpr int E131StreamTerminated = 0x40; // framing layer options

// Art-Net: every packet starts with this ID and its terminating zero (8 bytes),
// then the op-code, low byte first.
constexpr char ArtNetId[] = "Art-Net";
constexpr std::uint16_t OpPoll = 0x2000;
constexpr std::uint16_t OpPollReply = 0x2100;
constexpr std::uint16_t OpDmx = 0x5000;
constexpr std::uint16_t OpSync = 0x5200;

// DDP: one push packet, RGB with 8 bits a channel, to the display (id 1), data
// offset 0. `sequence` runs 1 ... 15; 0 means "not used".
QByteArray ddp(std::uint8_t sequence, QByteArrayView rgb);

struct E131Source {
    QUuid cid;
    QString name; // up to 63 bytes of UTF-8 go out
    std::uint8_t priority = 100;
};
// E1.31 data packet (root, framing and DMP layers) with start code 0; a
// `syncAddress` other than 0 asks receivers to hold it until that universe's
// synchronisation packet.
QByteArray e131(const E131Source& source, std::uint16_t universe, std::uint8_t sequence,
                std::uint8_t options, QByteArrayView values, std::uint16_t syncAddress = 0);
// E1.31 universe synchronisation packet (49 bytes): shows what was held for `syncAddress`.
QByteArray e131Sync(const QUuid& cid, std::uint8_t sequence, std::uint16_t syncAddress);

// ArtDmx, protocol version 14, to the 15-bit port-address `universe`; the slot
// count is made even as Art-Net asks.
QByteArray artDmx(std::uint16_t universe, std::uint8_t sequence, QByteArrayView values);

// ArtSync (14 bytes): the ArtDmx received so far is shown now.
QByteArray artSync();

// ArtPoll asking every node to answer (no "talk to me" options).
QByteArray artPoll();

struct ArtNode {
    QString address; // as the node gives it, dotted
    QString shortName;
    QString longName;
    std::vector<int> universes; // the 15-bit port-addresses of its output ports
};
// An ArtPollReply, or nothing for any other datagram.
std::optional<ArtNode> artPollReply(QByteArrayView datagram);

} // namespace NetworkPackets
