// Shared by the network receiver fuzz targets: the input is a run of records,
// each a time step (in 10 ms), a sender (its last address byte), a 16-bit
// length and that many bytes of datagram. Every datagram goes through the
// decoder and the state machine; whatever comes out must hold together. The
// records are then played again, round after round, from other senders and
// with other E1.31 CIDs, so that state kept for each sender that is never let
// go shows as entries past the receiver's cap (and memory past the run's
// limit).
#pragma once

#include "network/receive/ReceivedFrames.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <vector>

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

struct Record {
    ReceivedFrames::Time step;
    int sender;
    ReceivedPackets::Packet packet;
};

// The packet as another E1.31 source would send it.
inline ReceivedPackets::Packet fromSource(ReceivedPackets::Packet packet, uint round) {
    if (auto* data = std::get_if<ReceivedPackets::E131Data>(&packet))
        data->cid.data1 ^= round;
    if (auto* sync = std::get_if<ReceivedPackets::E131Sync>(&packet))
        sync->cid.data1 ^= round;
    return packet;
}

inline void take(ReceivedFrames& frames, ReceivedFrames::Time now, const Sender& from,
                 const ReceivedPackets::Packet& packet) {
    const ReceivedFrames::Outcome outcome = frames.take(now, from, packet);
    check(outcome.refused.isEmpty() || !outcome.frame);
    checkFrame(outcome.frame);
    checkFrame(frames.advance(now));
    check(frames.stateEntries() <= frames.stateCapacity());
    static_cast<void>(frames.sourceNames());
}

// Enough rounds for a single record to pass any cap many times over.
constexpr std::size_t PacketsAnInput = 512;

// Feeds the records to a state machine set up by `setup`; `each` checks the
// decoded packet against the datagram's own bytes.
inline void run(const std::uint8_t* data, std::size_t size, const ReceiveSetup& setup,
                const std::function<void(QByteArrayView, const ReceivedPackets::Packet&)>& each) {
    std::vector<Record> records;
    std::size_t at = 0;
    while (size - at >= 4) {
        const std::size_t length =
            std::min<std::size_t>(data[at + 2] << 8 | data[at + 3], size - at - 4);
        const QByteArrayView datagram(reinterpret_cast<const char*>(data + at + 4),
                                      qsizetype(length));
        const ReceivedPackets::Packet packet = ReceivedPackets::decode(setup.protocol, datagram);
        if (const auto* refused = ReceivedPackets::refusal(packet))
            check(!refused->why.isEmpty());
        each(datagram, packet);
        records.push_back({std::chrono::milliseconds(data[at] * 10), data[at + 1], packet});
        at += 4 + length;
    }
    ReceivedFrames frames(setup);
    ReceivedFrames::Time now{};
    const std::size_t rounds = records.empty() ? 0 : 1 + PacketsAnInput / records.size();
    for (uint round = 0; round < rounds; ++round) {
        for (const Record& r : records) {
            now += r.step;
            const int sender = round == 0 ? r.sender % 4 : r.sender;
            const Sender from{
                QStringLiteral("10.%1.%2.%3").arg(round >> 8 & 255).arg(round & 255).arg(sender),
                5568};
            take(frames, now, from, round == 0 ? r.packet : fromSource(r.packet, round));
        }
    }
}

inline int big16(const std::uint8_t* d) {
    return d[0] << 8 | d[1];
}

} // namespace fuzzing
