// libFuzzer target for the bridge packet decoder: arbitrary serial input against
// a separate, plainly written reading of the packet rules, and every packet the
// decoder accepts must encode back to the bytes it came from.
#include "bridge_protocol.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

void check(bool condition) {
    if (!condition)
        std::abort();
}

std::optional<Bytes> cobsDecode(const Bytes& in) {
    Bytes out;
    std::size_t i = 0;
    while (i < in.size()) {
        const std::size_t code = in[i++];
        if (code == 0 || i + code - 1 > in.size())
            return std::nullopt;
        out.insert(out.end(), in.begin() + long(i), in.begin() + long(i + code - 1));
        i += code - 1;
        if (code != 0xFF && i < in.size())
            out.push_back(0);
    }
    return out;
}

bool knownType(std::uint8_t t) {
    return (t >= 0x01 && t <= 0x09) || (t >= 0x81 && t <= 0x84);
}

bp_result expectedResult(const Bytes& chunk) {
    if (chunk.empty())
        return BP_NONE;
    if (chunk.size() > BP_MAX_ENCODED)
        return BP_ERR_LONG;
    const auto raw = cobsDecode(chunk);
    if (!raw)
        return BP_ERR_COBS;
    if (raw->size() < 5)
        return BP_ERR_SHORT;
    const std::size_t body = raw->size() - 2;
    if (bp_crc16(raw->data(), body) != ((*raw)[body] << 8 | (*raw)[body + 1]))
        return BP_ERR_CRC;
    const std::size_t len = (*raw)[2];
    if (len > BP_MAX_PAYLOAD || len != body - 3)
        return BP_ERR_LENGTH;
    if (!knownType((*raw)[0]))
        return BP_ERR_TYPE;
    if ((*raw)[0] >= BP_FRAME && (*raw)[0] <= 0x08 && (*raw)[0] != BP_BLANK &&
        (*raw)[0] != BP_PING && len != 32)
        return BP_ERR_LENGTH;
    if ((*raw)[0] == 0x09 && len != 1)
        return BP_ERR_LENGTH;
    return BP_OK;
}

void checkAccepted(const Bytes& chunk, const bp_packet& p) {
    check(p.len <= BP_MAX_PAYLOAD && knownType(p.type));
    std::uint8_t again[BP_MAX_ENCODED];
    const std::size_t n = bp_encode(&p, again, sizeof again);
    check(n == chunk.size() + 1 && again[n - 1] == 0);
    check(std::memcmp(again, chunk.data(), chunk.size()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    bp_decoder d;
    bp_decoder_init(&d);
    Bytes chunk;
    for (std::size_t i = 0; i < size; ++i) {
        bp_packet p;
        std::memset(&p, 0xA5, sizeof p);
        const bp_result r = bp_decoder_feed(&d, data[i], &p);
        if (data[i] != 0) {
            check(r == BP_NONE);
            chunk.push_back(data[i]);
            continue;
        }
        check(r == expectedResult(chunk));
        if (r == BP_OK)
            checkAccepted(chunk, p);
        chunk.clear();
    }
    return 0;
}
