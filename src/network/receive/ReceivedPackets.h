#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>
#include <variant>
#include <vector>

// The datagrams a board that listens takes in, read byte by byte as E1.31
// (ANSI E1.31-2018), Art-Net 4 and DDP lay them out, and the answers it gives.
// Pure functions: no sockets, no clock. A datagram is either one of the packets
// below or refused with the reason in words.
namespace ReceivedPackets {

enum class Protocol { E131, ArtNet, Ddp };
QString protocolName(Protocol protocol);

// E1.31 data packet with start code 0; the values follow the start code.
struct E131Data {
    QUuid cid;
    QString sourceName;
    std::uint8_t priority = 100;   // 0 ... 200
    std::uint16_t syncAddress = 0; // 0: not synchronised
    std::uint8_t sequence = 0;
    bool streamTerminated = false; // the source is gone; the values mean nothing
    bool forceSynchronization = false;
    std::uint16_t universe = 1; // 1 ... 63999
    QByteArray values;          // 0 ... 512 values
};

// E1.31 universe synchronisation packet: shows what waited for syncAddress.
struct E131Sync {
    QUuid cid;
    std::uint8_t sequence = 0;
    std::uint16_t syncAddress = 1; // never 0
};

struct ArtDmx {
    std::uint8_t sequence = 0; // 0: not used
    std::uint8_t physical = 0;
    std::uint16_t portAddress = 0; // 15 bits: Net, Sub-Net, Universe
    QByteArray values;             // 1 ... 512 values
};

struct ArtSync {};

struct ArtPoll {
    std::uint8_t flags = 0;
    // Targeted mode: only nodes with a port-address in [bottom, top] answer.
    std::optional<std::pair<std::uint16_t, std::uint16_t>> targetRange;
};

// DDP data: bytes for the display's buffer at `offset`; `push` shows the buffer.
struct DdpData {
    bool push = false;
    std::uint8_t sequence = 0; // 1 ... 15; 0: not used
    std::uint8_t dataType = 0;
    std::uint8_t destination = 1;
    std::uint32_t offset = 0;
    std::optional<std::uint32_t> timecode;
    QByteArray data;
};

// DDP query for the JSON status (destination 251).
struct DdpStatusQuery {
    std::uint8_t sequence = 0;
};

struct Refused {
    QString why;
    // Well formed but meant for another node or program (an ArtPollReply,
    // universe discovery, preview data): no fault of the sender's.
    bool forOthers = false;
};

using Packet =
    std::variant<Refused, E131Data, E131Sync, ArtDmx, ArtSync, ArtPoll, DdpData, DdpStatusQuery>;

Packet decodeE131(QByteArrayView datagram);
Packet decodeArtNet(QByteArrayView datagram);
Packet decodeDdp(QByteArrayView datagram);
Packet decode(Protocol protocol, QByteArrayView datagram);

inline const Refused* refusal(const Packet& packet) {
    return std::get_if<Refused>(&packet);
}

// Text from the network made safe for one line of a terminal, a log or a
// label: control, format and separator characters (bidirectional overrides
// and isolates among them, which would reorder the rest of the line) each
// become U+FFFD.
QString printable(const QString& text);

// Numbers the decoders check against, shared with the tests and fuzzers.
constexpr int E131DataHeader = 126; // up to and including the start code
constexpr int E131MaxSlots = 512;
constexpr int E131SyncLength = 49;
constexpr int E131MaxPriority = 200;
constexpr int E131LastUniverse = 63999;
constexpr int ArtDmxHeader = 18;
constexpr int ArtPollMinimum = 12;
constexpr int ArtPollReplyLength = 239;
constexpr int ArtMinimumVersion = 14;
constexpr int DdpHeader = 10;
constexpr int DdpTimecodeHeader = 14;
constexpr std::uint8_t DdpDisplay = 1;
constexpr std::uint8_t DdpStatus = 251;
constexpr std::uint8_t DdpAllDevices = 255;
// DDP data types taken: undefined and the older "1" (both RGB in practice), RGB
// and grey, 8 bits a channel.
constexpr std::uint8_t DdpUndefined = 0x00;
constexpr std::uint8_t DdpLegacyRgb = 0x01;
constexpr std::uint8_t DdpRgb8 = 0x0B;
constexpr std::uint8_t DdpGrey8 = 0x23;

// Who answers an ArtPoll or a DDP status query.
struct NodeIdentity {
    quint32 ipv4 = 0; // the address the node is reached at; 0 if unknown
    QString shortName;
    QString longName;
    QString version; // for DDP's "ver"
    std::vector<int> universes;
    int replies = 0; // counted in the node report
};

// One ArtPollReply for every four universes that share Net and Sub-Net.
std::vector<QByteArray> artPollReplies(const NodeIdentity& node);
// Whether the node answers this poll: always, or in targeted mode when one of
// its universes is in the range.
bool answersPoll(const ArtPoll& poll, const std::vector<int>& universes);
// The reply to a DDP status query: the status as JSON.
QByteArray ddpStatusReply(const NodeIdentity& node, const DdpStatusQuery& query);

} // namespace ReceivedPackets
