// libFuzzer target for the Art-Net receiver: ArtDmx, ArtSync and ArtPoll against
// a plain reading of their bytes, the merge and ArtSync rules on what was taken,
// and every ArtPoll answered with replies the program's own parser reads back.
#include "network/NetworkPackets.h"
#include "receiver_fuzz.h"

#include <cstring>

using namespace ReceivedPackets;
using fuzzing::big16;
using fuzzing::check;

namespace {

const std::vector<int> Universes{0x0F, 0x10};

void checkArtNet(QByteArrayView datagram, const Packet& packet) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(datagram.data());
    const std::size_t size = std::size_t(datagram.size());
    if (std::holds_alternative<Refused>(packet))
        return;
    check(size >= 12 && std::memcmp(d, "Art-Net\0", 8) == 0 && big16(d + 10) >= 14);
    const int op = d[8] | d[9] << 8;
    if (const auto* dmx = std::get_if<ArtDmx>(&packet)) {
        const int length = big16(d + 16);
        check(op == 0x5000 && length >= 1 && length <= 512 && size >= std::size_t(18 + length));
        check(dmx->portAddress == ((d[15] & 0x7F) << 8 | d[14]));
        check(std::memcmp(dmx->values.constData(), d + 18, std::size_t(length)) == 0);
    } else if (const auto* poll = std::get_if<ArtPoll>(&packet)) {
        check(op == 0x2000);
        std::vector<int> found;
        for (const QByteArray& reply : artPollReplies(
                 {0x0A000001, QStringLiteral("node"), QStringLiteral("long"), {}, Universes, 1})) {
            const auto node = NetworkPackets::artPollReply(reply);
            check(node && node->address == QStringLiteral("10.0.0.1"));
            found.insert(found.end(), node->universes.begin(), node->universes.end());
        }
        check(found == Universes);
        static_cast<void>(answersPoll(*poll, Universes));
    } else {
        check(op == 0x5200 && std::holds_alternative<ArtSync>(packet) && size >= 14);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReceiveSetup setup;
    setup.protocol = Protocol::ArtNet;
    setup.universe = 0x0F;
    setup.layout = size % 2 ? ChannelLayout::Single : ChannelLayout::Rgb;
    setup.holdLast = size % 3 == 0;
    fuzzing::run(data, size, setup, checkArtNet);
    return 0;
}
