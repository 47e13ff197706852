// Shared by the network receiver fuzz targets: the input is a run of records,
// each a time step (in 10 ms), a sender (its last address byte), a 16-bit
// length and that many bytes of datagram. Every datagram goes through the
// decoder and the state machine; whatever comes out must hold together.
#pragma once

#include "network/receive/ReceivedFrames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>

namespace fuzzing {

inline void check(bool condition) {
    if (!condition)
        std::abort();
}

inline void checkFrame(const std::optional<PortIo::LevelFrame>& frame) {
    if (!frame)
        return;
    for (std::uint8_t level : *frame)
        check(level <= 15);
}

// Feeds the records to a state machine set up by `setup`; `each` checks the
// decoded packet against the datagram's own bytes.
inline void run(const std::uint8_t* data, std::size_t size, const ReceiveSetup& setup,
                const std::function<void(QByteArrayView, const ReceivedPackets::Packet&)>& each) {
    ReceivedFrames frames(setup);
    ReceivedFrames::Time now{};
    std::size_t at = 0;
    while (size - at >= 4) {
        now += std::chrono::milliseconds(data[at] * 10);
        const Sender from{QStringLiteral("10.0.0.%1").arg(data[at + 1] % 4), 5568};
        const std::size_t length =
            std::min<std::size_t>(data[at + 2] << 8 | data[at + 3], size - at - 4);
        const QByteArrayView datagram(reinterpret_cast<const char*>(data + at + 4),
                                      qsizetype(length));
        at += 4 + length;
        const ReceivedPackets::Packet packet = ReceivedPackets::decode(setup.protocol, datagram);
        if (const auto* refused = ReceivedPackets::refusal(packet))
            check(!refused->why.isEmpty());
        each(datagram, packet);
        const ReceivedFrames::Outcome outcome = frames.take(now, from, packet);
        check(outcome.refused.isEmpty() || !outcome.frame);
        checkFrame(outcome.frame);
        checkFrame(frames.advance(now));
        static_cast<void>(frames.sourceNames());
    }
}

inline int big16(const std::uint8_t* d) {
    return d[0] << 8 | d[1];
}

} // namespace fuzzing
