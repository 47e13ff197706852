// libFuzzer target for the DDP receiver: data and status queries against a
// plain reading of the header, the buffer, offsets and push on what was taken,
// and each status query's reply read back as JSON.
#include "receiver_fuzz.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <cstring>

using namespace ReceivedPackets;
using fuzzing::big16;
using fuzzing::check;

namespace {

void checkDdp(QByteArrayView datagram, const Packet& packet) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(datagram.data());
    const std::size_t size = std::size_t(datagram.size());
    if (std::holds_alternative<Refused>(packet))
        return;
    check(size >= 10 && (d[0] & 0xC0) == 0x40 && !(d[0] & 0x0C));
    const std::size_t header = d[0] & 0x10 ? 14 : 10;
    if (const auto* query = std::get_if<DdpStatusQuery>(&packet)) {
        check((d[0] & 0x02) && d[3] == 251 && query->sequence == (d[1] & 0x0F));
        const QByteArray reply = ddpStatusReply(
            {0, QStringLiteral("n"), QStringLiteral("l"), QStringLiteral("1"), {}, 1}, *query);
        check(reply.size() == 10 + big16(reinterpret_cast<const std::uint8_t*>(reply.data() + 8)));
        check(QJsonDocument::fromJson(reply.mid(10)).object().contains(QStringLiteral("status")));
        return;
    }
    const auto& ddp = std::get<DdpData>(packet);
    const std::size_t length = std::size_t(big16(d + 8));
    check(!(d[0] & 0x02) && (d[3] == 1 || d[3] == 255) && size >= header + length);
    check(ddp.push == bool(d[0] & 1) && ddp.data.size() == qsizetype(length));
    check(length == 0 || std::memcmp(ddp.data.constData(), d + header, length) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReceiveSetup setup;
    setup.protocol = Protocol::Ddp;
    setup.layout = size % 2 ? ChannelLayout::Single : ChannelLayout::Rgb;
    setup.holdLast = size % 3 == 0;
    fuzzing::run(data, size, setup, checkDdp);
    return 0;
}
