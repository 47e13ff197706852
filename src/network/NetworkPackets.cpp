#include "network/NetworkPackets.h"

#include <algorithm>

namespace NetworkPackets {

namespace {

constexpr int ArtProtocolVersion = 14;
constexpr int ArtPollReplyMinimum = 108;      // up to the end of the long name
constexpr int ArtPollReplyWithPorts = 194;    // up to the end of SwOut
constexpr std::uint8_t PortOutputsDmx = 0x80; // PortTypes: sends DMX out, takes Art-Net in

void big16(QByteArray& out, int value) {
    out.append(char(value >> 8 & 0xFF)).append(char(value & 0xFF));
}

void big32(QByteArray& out, std::uint32_t value) {
    big16(out, int(value >> 16));
    big16(out, int(value & 0xFFFF));
}

void little16(QByteArray& out, int value) {
    out.append(char(value & 0xFF)).append(char(value >> 8 & 0xFF));
}

// The PDU's flags (0x7) and its length from `start` to the end of `out`.
void patchFlagsAndLength(QByteArray& out, qsizetype start) {
    const auto length = int(out.size() - start);
    out[start] = char(0x70 | (length >> 8 & 0x0F));
    out[start + 1] = char(length & 0xFF);
}

void artHeader(QByteArray& out, std::uint16_t opCode) {
    out.append(ArtNetId, sizeof ArtNetId);
    little16(out, opCode);
}

QString zeroEnded(QByteArrayView bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), '\0');
    return QString::fromUtf8(bytes.first(end - bytes.begin()));
}

// The root layer up to and with the CID; its flags and length are patched last.
void e131Root(QByteArray& out, std::uint32_t vector, const QUuid& cid) {
    big16(out, 0x0010); // preamble size
    big16(out, 0x0000); // postamble size
    out.append("ASC-E1.17\0\0\0", 12);
    big16(out, 0);
    big32(out, vector);
    out.append(cid.toRfc4122());
}

} // namespace

QByteArray ddp(std::uint8_t sequence, QByteArrayView rgb) {
    QByteArray out;
    out.reserve(10 + rgb.size());
    out.append(char(0x41)); // version 1, push
    out.append(char(sequence & 0x0F));
    out.append(char(0x0B)); // RGB, 8 bits a channel
    out.append(char(0x01)); // the display
    big32(out, 0);          // data offset
    big16(out, int(rgb.size()));
    out.append(rgb.data(), rgb.size());
    return out;
}

QByteArray e131(const E131Source& source, std::uint16_t universe, std::uint8_t sequence,
                std::uint8_t options, QByteArrayView values, std::uint16_t syncAddress) {
    QByteArray out;
    out.reserve(126 + values.size());
    e131Root(out, 0x00000004, source.cid); // VECTOR_ROOT_E131_DATA
    // Framing layer
    const qsizetype framing = out.size();
    big16(out, 0);
    big32(out, 0x00000002); // VECTOR_E131_DATA_PACKET
    QByteArray name = source.name.toUtf8().left(63);
    name.resize(64, '\0');
    out.append(name);
    out.append(char(source.priority));
    big16(out, syncAddress); // 0: none
    out.append(char(sequence));
    out.append(char(options));
    big16(out, universe);
    // DMP layer
    const qsizetype dmp = out.size();
    big16(out, 0);
    out.append(char(0x02)); // VECTOR_DMP_SET_PROPERTY
    out.append(char(0xA1)); // address and data type
    big16(out, 0x0000);     // first property address
    big16(out, 0x0001);     // address increment
    big16(out, int(values.size() + 1));
    out.append(char(0x00)); // start code
    out.append(values.data(), values.size());
    patchFlagsAndLength(out, 16);
    patchFlagsAndLength(out, framing);
    patchFlagsAndLength(out, dmp);
    return out;
}

QByteArray e131Sync(const QUuid& cid, std::uint8_t sequence, std::uint16_t syncAddress) {
    QByteArray out;
    e131Root(out, 0x00000008, cid); // VECTOR_ROOT_E131_EXTENDED
    const qsizetype framing = out.size();
    big16(out, 0);
    big32(out, 0x00000001); // VECTOR_E131_EXTENDED_SYNCHRONIZATION
    out.append(char(sequence));
    big16(out, syncAddress);
    big16(out, 0); // reserved
    patchFlagsAndLength(out, 16);
    patchFlagsAndLength(out, framing);
    return out;
}

QByteArray artDmx(std::uint16_t universe, std::uint8_t sequence, QByteArrayView values) {
    QByteArray out;
    artHeader(out, OpDmx);
    big16(out, ArtProtocolVersion);
    out.append(char(sequence));
    out.append(char(0));                    // physical input
    out.append(char(universe & 0xFF));      // SubUni
    out.append(char(universe >> 8 & 0x7F)); // Net
    const auto length = int(values.size() + values.size() % 2);
    big16(out, length);
    out.append(values.data(), values.size());
    out.resize(18 + length, '\0');
    return out;
}

QByteArray artSync() {
    QByteArray out;
    artHeader(out, OpSync);
    big16(out, ArtProtocolVersion);
    out.append(char(0)); // Aux1
    out.append(char(0)); // Aux2
    return out;
}

QByteArray artPoll() {
    QByteArray out;
    artHeader(out, OpPoll);
    big16(out, ArtProtocolVersion);
    out.append(char(0)); // flags
    out.append(char(0)); // diagnostics priority
    return out;
}

std::optional<ArtNode> artPollReply(QByteArrayView d) {
    if (d.size() < ArtPollReplyMinimum || !d.startsWith(QByteArrayView(ArtNetId, sizeof ArtNetId)))
        return std::nullopt;
    if ((std::uint8_t(d[8]) | std::uint8_t(d[9]) << 8) != OpPollReply)
        return std::nullopt;
    ArtNode node;
    node.address = QStringLiteral("%1.%2.%3.%4")
                       .arg(std::uint8_t(d[10]))
                       .arg(std::uint8_t(d[11]))
                       .arg(std::uint8_t(d[12]))
                       .arg(std::uint8_t(d[13]));
    node.shortName = zeroEnded(d.sliced(26, 18));
    node.longName = zeroEnded(d.sliced(44, 64));
    if (d.size() < ArtPollReplyWithPorts)
        return node;
    // NetSwitch, SubSwitch and each port's SwOut make its port-address.
    const int netAndSub = (d[18] & 0x7F) << 8 | (d[19] & 0x0F) << 4;
    const int ports = std::min(4, int(std::uint8_t(d[173])));
    for (int i = 0; i < ports; ++i) {
        if (std::uint8_t(d[174 + i]) & PortOutputsDmx)
            node.universes.push_back(netAndSub | (d[190 + i] & 0x0F));
    }
    return node;
}

} // namespace NetworkPackets
