#include "network/receive/ReceivedPackets.h"

#include "network/NetworkPackets.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <map>

namespace ReceivedPackets {

namespace {

using NetworkPackets::ArtNetId;
using NetworkPackets::OpDmx;
using NetworkPackets::OpPoll;
using NetworkPackets::OpPollReply;
using NetworkPackets::OpSync;

constexpr char AcnPacketId[] = "ASC-E1.17\0\0"; // and the terminating zero: 12 bytes
constexpr int E131RootStart = 16;
constexpr int E131FramingStart = 38;
constexpr int E131DmpStart = 115;
constexpr std::uint32_t VectorRootData = 0x04;
constexpr std::uint32_t VectorRootExtended = 0x08;
constexpr std::uint32_t VectorFramingData = 0x02;
constexpr std::uint32_t VectorExtendedSync = 0x01;
constexpr std::uint32_t VectorExtendedDiscovery = 0x02;
constexpr std::uint8_t VectorDmpSetProperty = 0x02;
constexpr std::uint8_t DmpAddressAndDataType = 0xA1;
constexpr std::uint8_t OptionPreview = 0x80;
constexpr std::uint8_t OptionForceSync = 0x20;
constexpr std::uint8_t ArtPollTargeted = 0x20;
constexpr std::uint8_t DdpVersion1 = 0x40;
constexpr std::uint8_t DdpTimecode = 0x10;
constexpr std::uint8_t DdpStorage = 0x08;
constexpr std::uint8_t DdpReply = 0x04;
constexpr std::uint8_t DdpQuery = 0x02;
constexpr std::uint8_t DdpPush = 0x01;

int byteAt(QByteArrayView d, qsizetype at) {
    return std::uint8_t(d[at]);
}

int big16(QByteArrayView d, qsizetype at) {
    return byteAt(d, at) << 8 | byteAt(d, at + 1);
}

std::uint32_t big32(QByteArrayView d, qsizetype at) {
    return std::uint32_t(big16(d, at)) << 16 | std::uint32_t(big16(d, at + 2));
}

Packet refused(const QString& why) {
    return Refused{why, false};
}

Packet forOthers(const QString& why) {
    return Refused{why, true};
}

QString hex(std::uint32_t value, int digits) {
    return QStringLiteral("0x%1").arg(value, digits, 16, QLatin1Char('0'));
}

QString zeroEnded(QByteArrayView bytes) {
    const auto end = std::find(bytes.begin(), bytes.end(), '\0');
    return QString::fromUtf8(bytes.first(end - bytes.begin()));
}

// A PDU's flags and length: 0x7 and the bytes from `start` to the datagram's end.
QString pduProblem(QByteArrayView d, qsizetype start, const char* layer) {
    const int field = big16(d, start);
    if (field >> 12 != 0x7)
        return QStringLiteral("E1.31: %1 layer flags %2, not 0x7")
            .arg(QLatin1String(layer))
            .arg(field >> 12);
    if ((field & 0x0FFF) != d.size() - start)
        return QStringLiteral("E1.31: %1 layer says %2 bytes, the datagram has %3")
            .arg(QLatin1String(layer))
            .arg(field & 0x0FFF)
            .arg(d.size() - start);
    return {};
}

QString rootProblem(QByteArrayView d) {
    if (d.size() < E131FramingStart + 4)
        return QStringLiteral("E1.31: %1 bytes, too short for a packet").arg(d.size());
    if (big16(d, 0) != 0x0010)
        return QStringLiteral("E1.31: preamble size %1, not 16").arg(big16(d, 0));
    if (big16(d, 2) != 0)
        return QStringLiteral("E1.31: postamble size %1, not 0").arg(big16(d, 2));
    if (d.sliced(4, 12) != QByteArrayView(AcnPacketId, 12))
        return QStringLiteral("E1.31: no ACN packet identifier \"ASC-E1.17\"");
    return pduProblem(d, E131RootStart, "root");
}

QString dmpProblem(QByteArrayView d) {
    if (const QString p = pduProblem(d, E131DmpStart, "DMP"); !p.isEmpty())
        return p;
    if (byteAt(d, 117) != VectorDmpSetProperty)
        return QStringLiteral("E1.31: DMP vector %1, not 2 (set property)").arg(byteAt(d, 117));
    if (byteAt(d, 118) != DmpAddressAndDataType)
        return QStringLiteral("E1.31: DMP address and data type %1, not 0xa1")
            .arg(hex(std::uint32_t(byteAt(d, 118)), 2));
    if (big16(d, 119) != 0 || big16(d, 121) != 1)
        return QStringLiteral("E1.31: first property address %1 and increment %2, not 0 and 1")
            .arg(big16(d, 119))
            .arg(big16(d, 121));
    if (big16(d, 123) != d.size() - (E131DataHeader - 1))
        return QStringLiteral("E1.31: %1 property values announced, %2 present")
            .arg(big16(d, 123))
            .arg(d.size() - (E131DataHeader - 1));
    if (byteAt(d, 125) != 0)
        return QStringLiteral("E1.31: start code %1, not 0 (levels)")
            .arg(hex(std::uint32_t(byteAt(d, 125)), 2));
    return {};
}

Packet e131Data(QByteArrayView d, const QUuid& cid) {
    if (d.size() < E131DataHeader || d.size() > E131DataHeader + E131MaxSlots)
        return refused(QStringLiteral("E1.31: a data packet of %1 bytes, not %2 ... %3")
                           .arg(d.size())
                           .arg(E131DataHeader)
                           .arg(E131DataHeader + E131MaxSlots));
    if (const QString p = pduProblem(d, E131FramingStart, "framing"); !p.isEmpty())
        return refused(p);
    if (big32(d, 40) != VectorFramingData)
        return refused(
            QStringLiteral("E1.31: framing vector %1, not 2 (data)").arg(hex(big32(d, 40), 8)));
    E131Data data;
    data.cid = cid;
    data.sourceName = zeroEnded(d.sliced(44, 64));
    data.priority = std::uint8_t(byteAt(d, 108));
    data.syncAddress = std::uint16_t(big16(d, 109));
    data.sequence = std::uint8_t(byteAt(d, 111));
    const int options = byteAt(d, 112);
    data.universe = std::uint16_t(big16(d, 113));
    if (data.priority > E131MaxPriority)
        return refused(QStringLiteral("E1.31: priority %1, above 200").arg(data.priority));
    if (data.universe < 1 || data.universe > E131LastUniverse)
        return refused(QStringLiteral("E1.31: universe %1, not 1 ... 63999").arg(data.universe));
    if (options & OptionPreview)
        return forOthers(QStringLiteral("E1.31: preview data, not for a live board"));
    if (const QString p = dmpProblem(d); !p.isEmpty())
        return refused(p);
    data.streamTerminated = options & NetworkPackets::E131StreamTerminated;
    data.forceSynchronization = options & OptionForceSync;
    data.values = d.sliced(E131DataHeader).toByteArray();
    return data;
}

Packet e131Extended(QByteArrayView d, const QUuid& cid) {
    const std::uint32_t vector = big32(d, 40);
    if (vector == VectorExtendedDiscovery)
        return forOthers(QStringLiteral("E1.31: universe discovery, not used here"));
    if (vector != VectorExtendedSync)
        return refused(QStringLiteral("E1.31: extended framing vector %1, neither "
                                      "synchronisation (1) nor discovery (2)")
                           .arg(hex(vector, 8)));
    if (d.size() != E131SyncLength)
        return refused(
            QStringLiteral("E1.31: a synchronisation packet of %1 bytes, not 49").arg(d.size()));
    if (const QString p = pduProblem(d, E131FramingStart, "framing"); !p.isEmpty())
        return refused(p);
    E131Sync sync;
    sync.cid = cid;
    sync.sequence = std::uint8_t(byteAt(d, 44));
    sync.syncAddress = std::uint16_t(big16(d, 45));
    if (sync.syncAddress == 0)
        return refused(QStringLiteral("E1.31: synchronisation address 0"));
    return sync;
}

Packet artDmx(QByteArrayView d) {
    if (d.size() < ArtDmxHeader)
        return refused(
            QStringLiteral("Art-Net: ArtDmx of %1 bytes, shorter than its header").arg(d.size()));
    const int length = big16(d, 16);
    if (length < 1 || length > E131MaxSlots)
        return refused(QStringLiteral("Art-Net: ArtDmx length %1, not 1 ... 512").arg(length));
    if (d.size() < ArtDmxHeader + length)
        return refused(QStringLiteral("Art-Net: ArtDmx says %1 values, has %2")
                           .arg(length)
                           .arg(d.size() - ArtDmxHeader));
    ArtDmx dmx;
    dmx.sequence = std::uint8_t(byteAt(d, 12));
    dmx.physical = std::uint8_t(byteAt(d, 13));
    dmx.portAddress = std::uint16_t((byteAt(d, 15) & 0x7F) << 8 | byteAt(d, 14));
    dmx.values = d.sliced(ArtDmxHeader, length).toByteArray();
    return dmx;
}

Packet artPoll(QByteArrayView d) {
    ArtPoll poll;
    poll.flags = d.size() > 12 ? std::uint8_t(byteAt(d, 12)) : 0;
    if (poll.flags & ArtPollTargeted) {
        // Fields the datagram stops short of are zero.
        const auto field = [d](int at) { return d.size() >= at + 2 ? big16(d, at) : 0; };
        poll.targetRange = std::pair{std::uint16_t(field(16)), std::uint16_t(field(14))};
    }
    return poll;
}

Packet ddpData(QByteArrayView d, int header, int flags) {
    DdpData data;
    data.push = flags & DdpPush;
    data.sequence = std::uint8_t(byteAt(d, 1) & 0x0F);
    data.dataType = std::uint8_t(byteAt(d, 2));
    data.destination = std::uint8_t(byteAt(d, 3));
    data.offset = big32(d, 4);
    const int length = big16(d, 8);
    if (data.destination != DdpDisplay && data.destination != DdpAllDevices)
        return refused(QStringLiteral("DDP: destination %1, neither the display (1) nor all (255)")
                           .arg(data.destination));
    const std::uint8_t type = data.dataType;
    if (type != DdpUndefined && type != DdpLegacyRgb && type != DdpRgb8 && type != DdpGrey8)
        return refused(QStringLiteral("DDP: data type %1; RGB or grey, 8 bits a channel, are taken")
                           .arg(hex(type, 2)));
    if (d.size() < header + length)
        return refused(
            QStringLiteral("DDP: says %1 data bytes, has %2").arg(length).arg(d.size() - header));
    if (header == DdpTimecodeHeader)
        data.timecode = big32(d, DdpHeader);
    data.data = d.sliced(header, length).toByteArray();
    return data;
}

// Up to `bytes` bytes of UTF-8, never a character cut in two.
QByteArray utf8Prefix(const QString& text, int bytes) {
    QByteArray out = text.toUtf8();
    if (out.size() <= bytes)
        return out;
    qsizetype end = bytes;
    while (end > 0 && (std::uint8_t(out[end]) & 0xC0) == 0x80)
        --end;
    return out.left(end);
}

void put(QByteArray& out, qsizetype at, const QByteArray& bytes) {
    out.replace(at, bytes.size(), bytes);
}

void putBig16(QByteArray& out, qsizetype at, int value) {
    out[at] = char(value >> 8 & 0xFF);
    out[at + 1] = char(value & 0xFF);
}

void putBig32(QByteArray& out, qsizetype at, quint32 value) {
    putBig16(out, at, int(value >> 16));
    putBig16(out, at + 2, int(value & 0xFFFF));
}

// One reply: the ports of `universes`, all of one Net and Sub-Net, at most four.
QByteArray artPollReply(const NodeIdentity& node, const std::vector<int>& universes,
                        int bindIndex) {
    QByteArray out(ArtPollReplyLength, '\0');
    put(out, 0, QByteArray(ArtNetId, sizeof ArtNetId));
    out[8] = char(OpPollReply & 0xFF);
    out[9] = char(OpPollReply >> 8);
    putBig32(out, 10, node.ipv4);
    out[14] = char(0x36); // the Art-Net port, 0x1936, low byte first
    out[15] = char(0x19);
    putBig16(out, 16, 1); // firmware version
    const int first = universes.empty() ? 0 : universes.front();
    out[18] = char(first >> 8 & 0x7F); // NetSwitch
    out[19] = char(first >> 4 & 0x0F); // SubSwitch
    putBig16(out, 20, 0x00FF);         // OEM code: unknown
    out[23] = char(0xD0);              // indicators normal, addresses set on the node
    put(out, 26, utf8Prefix(node.shortName, 17));
    put(out, 44, utf8Prefix(node.longName, 63));
    put(out, 108,
        utf8Prefix(QStringLiteral("#0001 [%1] listening")
                       .arg(node.replies % 10000, 4, 10, QLatin1Char('0')),
                   63));
    putBig16(out, 172, int(universes.size()));
    for (std::size_t i = 0; i < universes.size(); ++i) {
        out[174 + qsizetype(i)] = char(0x80); // outputs DMX512 taken from Art-Net
        out[190 + qsizetype(i)] = char(universes[i] & 0x0F);
    }
    putBig32(out, 207, node.ipv4); // BindIp
    out[211] = char(bindIndex);
    out[212] = char(0x08); // 15-bit port-addresses
    return out;
}

} // namespace

QString protocolName(Protocol protocol) {
    switch (protocol) {
    case Protocol::E131:
        return QStringLiteral("E1.31");
    case Protocol::ArtNet:
        return QStringLiteral("Art-Net");
    case Protocol::Ddp:
        break;
    }
    return QStringLiteral("DDP");
}

QString printable(const QString& text) {
    QList<uint> codes = text.toUcs4();
    for (uint& code : codes) {
        switch (QChar::category(code)) {
        case QChar::Other_Control:
        case QChar::Other_Format:
        case QChar::Other_Surrogate:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            code = QChar::ReplacementCharacter;
            break;
        default:
            break;
        }
    }
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), codes.size());
}

Packet decodeE131(QByteArrayView d) {
    if (const QString p = rootProblem(d); !p.isEmpty())
        return refused(p);
    const QUuid cid = QUuid::fromRfc4122(d.sliced(22, 16));
    const std::uint32_t vector = big32(d, 18);
    if (vector == VectorRootData)
        return e131Data(d, cid);
    if (vector == VectorRootExtended)
        return e131Extended(d, cid);
    return refused(QStringLiteral("E1.31: root vector %1, neither data (4) nor extended (8)")
                       .arg(hex(vector, 8)));
}

Packet decodeArtNet(QByteArrayView d) {
    if (d.size() < 12 || !d.startsWith(QByteArrayView(ArtNetId, sizeof ArtNetId)))
        return refused(QStringLiteral("Art-Net: no \"Art-Net\" header"));
    const int op = byteAt(d, 8) | byteAt(d, 9) << 8;
    if (op == OpPollReply)
        return forOthers(QStringLiteral("Art-Net: an ArtPollReply, from another node"));
    if (op != OpDmx && op != OpSync && op != OpPoll)
        return forOthers(
            QStringLiteral("Art-Net: op code %1, not ArtDmx, ArtSync or ArtPoll").arg(hex(op, 4)));
    if (big16(d, 10) < ArtMinimumVersion)
        return refused(
            QStringLiteral("Art-Net: protocol version %1, older than 14").arg(big16(d, 10)));
    if (op == OpDmx)
        return artDmx(d);
    if (op == OpPoll)
        return artPoll(d);
    if (d.size() < 14)
        return refused(QStringLiteral("Art-Net: ArtSync of %1 bytes, not 14").arg(d.size()));
    return ArtSync{};
}

Packet decodeDdp(QByteArrayView d) {
    if (d.size() < DdpHeader)
        return refused(
            QStringLiteral("DDP: %1 bytes, shorter than the 10-byte header").arg(d.size()));
    const int flags = byteAt(d, 0);
    if ((flags & 0xC0) != DdpVersion1)
        return refused(QStringLiteral("DDP: version %1, not 1").arg(flags >> 6));
    if (flags & DdpReply)
        return forOthers(QStringLiteral("DDP: a reply, from another display"));
    if (flags & DdpStorage)
        return refused(QStringLiteral("DDP: the storage flag; nothing is stored here"));
    const int header = flags & DdpTimecode ? DdpTimecodeHeader : DdpHeader;
    if (d.size() < header)
        return refused(QStringLiteral("DDP: %1 bytes, shorter than the 14-byte header with "
                                      "a timecode")
                           .arg(d.size()));
    if (flags & DdpQuery) {
        if (byteAt(d, 3) != DdpStatus)
            return refused(QStringLiteral("DDP: a query for destination %1; only the status "
                                          "(251) is answered")
                               .arg(byteAt(d, 3)));
        return DdpStatusQuery{std::uint8_t(byteAt(d, 1) & 0x0F)};
    }
    return ddpData(d, header, flags);
}

Packet decode(Protocol protocol, QByteArrayView datagram) {
    switch (protocol) {
    case Protocol::E131:
        return decodeE131(datagram);
    case Protocol::ArtNet:
        return decodeArtNet(datagram);
    case Protocol::Ddp:
        break;
    }
    return decodeDdp(datagram);
}

std::vector<QByteArray> artPollReplies(const NodeIdentity& node) {
    std::map<int, std::vector<int>> byNetAndSub; // in order of port-address
    for (int universe : node.universes)
        byNetAndSub[universe >> 4 & 0x7FF].push_back(universe & 0x7FFF);
    std::vector<QByteArray> replies;
    for (auto& [netAndSub, universes] : byNetAndSub) {
        std::sort(universes.begin(), universes.end());
        universes.erase(std::unique(universes.begin(), universes.end()), universes.end());
        for (std::size_t i = 0; i < universes.size(); i += 4) {
            const std::vector<int> four(universes.begin() + std::ptrdiff_t(i),
                                        universes.begin() +
                                            std::ptrdiff_t(std::min(i + 4, universes.size())));
            replies.push_back(artPollReply(node, four, int(replies.size()) + 1));
        }
    }
    if (replies.empty())
        replies.push_back(artPollReply(node, {}, 1));
    return replies;
}

bool answersPoll(const ArtPoll& poll, const std::vector<int>& universes) {
    if (!poll.targetRange)
        return true;
    const auto [a, b] = *poll.targetRange;
    const int low = std::min(a, b);
    const int high = std::max(a, b);
    return std::any_of(universes.begin(), universes.end(),
                       [&](int u) { return u >= low && u <= high; });
}

QByteArray ddpStatusReply(const NodeIdentity& node, const DdpStatusQuery& query) {
    const QJsonObject status{{QStringLiteral("man"), node.shortName},
                             {QStringLiteral("mod"), node.longName},
                             {QStringLiteral("ver"), node.version},
                             {QStringLiteral("push"), true},
                             {QStringLiteral("ntp"), false}};
    const QByteArray json = QJsonDocument(QJsonObject{{QStringLiteral("status"), status}})
                                .toJson(QJsonDocument::Compact);
    QByteArray out(DdpHeader, '\0');
    out[0] = char(DdpVersion1 | DdpReply);
    out[1] = char(query.sequence);
    out[3] = char(DdpStatus);
    putBig16(out, 8, int(json.size()));
    return out + json;
}

} // namespace ReceivedPackets
