// libFuzzer target for the E1.31 receiver: the decoder against a plain reading
// of the data and synchronisation packets, then the merge, sequence, sync and
// timeout rules on whatever it took.
#include "receiver_fuzz.h"

#include <cstring>

using namespace ReceivedPackets;
using fuzzing::big16;
using fuzzing::check;

namespace {

void checkE131(QByteArrayView datagram, const Packet& packet) {
    const auto* d = reinterpret_cast<const std::uint8_t*>(datagram.data());
    const std::size_t size = std::size_t(datagram.size());
    if (const auto* data = std::get_if<E131Data>(&packet)) {
        check(size >= 126 && size <= 638 && std::memcmp(d + 4, "ASC-E1.17\0\0\0", 12) == 0);
        check(d[21] == 4 && d[43] == 2 && d[117] == 2 && d[118] == 0xA1 && d[125] == 0);
        check(data->universe == big16(d + 113) && data->universe >= 1 && data->universe <= 63999 &&
              data->priority <= 200);
        check((big16(d + 16) & 0xFFF) == int(size - 16) && big16(d + 123) == int(size - 125));
        check(data->values.size() == qsizetype(size - 126) &&
              std::memcmp(data->values.constData(), d + 126, size - 126) == 0);
        check(!(d[112] & 0x80) && data->streamTerminated == bool(d[112] & 0x40));
        check(data->sourceName.size() <= 64 && !data->sourceName.contains(QChar(0)));
    } else if (const auto* sync = std::get_if<E131Sync>(&packet)) {
        check(size == 49 && d[21] == 8 && d[43] == 1);
        check(sync->syncAddress == big16(d + 45) && sync->syncAddress != 0);
    } else {
        check(std::holds_alternative<Refused>(packet));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ReceiveSetup setup;
    setup.protocol = Protocol::E131;
    setup.layout = size % 2 ? ChannelLayout::Single : ChannelLayout::Rgb;
    setup.holdLast = size % 3 == 0;
    fuzzing::run(data, size, setup, checkE131);
    return 0;
}
