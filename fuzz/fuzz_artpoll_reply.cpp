// libFuzzer target for the ArtPollReply parser: any datagram against a plain
// reading of the reply's layout. A reply is taken only when it is long enough
// and says so; its address, names and universes come from their own bytes.
#include "network/NetworkPackets.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

bool isReply(const std::uint8_t* d, std::size_t size) {
    return size >= 108 && std::memcmp(d, "Art-Net\0", 8) == 0 && d[8] == 0x00 && d[9] == 0x21;
}

// The text of a zero-ended field: never longer than its bytes, never a zero.
void checkName(const QString& name, const std::uint8_t* field, std::size_t length) {
    check(name.size() <= qsizetype(length) && !name.contains(QChar(0)));
    const void* end = std::memchr(field, 0, length);
    const std::size_t bytes =
        end ? std::size_t(static_cast<const std::uint8_t*>(end) - field) : length;
    check(name.isEmpty() == (bytes == 0));
}

void checkUniverses(const std::vector<int>& universes, const std::uint8_t* d, std::size_t size) {
    if (size < 194) {
        check(universes.empty());
        return;
    }
    const int ports = d[173] < 4 ? d[173] : 4;
    std::size_t expected = 0;
    for (int i = 0; i < ports; ++i)
        expected += (d[174 + i] & 0x80) ? 1 : 0;
    check(universes.size() == expected);
    std::size_t next = 0;
    for (int i = 0; i < ports; ++i) {
        if (!(d[174 + i] & 0x80))
            continue;
        const int u = universes[next++];
        check(u >= 0 && u <= 32767);
        check(u >> 8 == (d[18] & 0x7F) && (u >> 4 & 0x0F) == (d[19] & 0x0F) &&
              (u & 0x0F) == (d[190 + i] & 0x0F));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray datagram =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<NetworkPackets::ArtNode> node = NetworkPackets::artPollReply(datagram);
    check(node.has_value() == isReply(data, size));
    if (!node)
        return 0;
    check(node->address ==
          QStringLiteral("%1.%2.%3.%4").arg(data[10]).arg(data[11]).arg(data[12]).arg(data[13]));
    checkName(node->shortName, data + 26, 18);
    checkName(node->longName, data + 44, 64);
    checkUniverses(node->universes, data, size);
    return 0;
}
