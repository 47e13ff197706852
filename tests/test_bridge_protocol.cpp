// The packet code shared by the program and the bridge firmware: what goes out
// must come back unchanged, and every kind of damaged packet must be told apart.
#include "bridge_protocol.h"

#include <QtTest>
#include <array>
#include <vector>

namespace {

bp_packet makePacket(int type, int seq, const QByteArray& payload) {
    bp_packet p{};
    p.type = std::uint8_t(type);
    p.seq = std::uint8_t(seq);
    p.len = std::uint8_t(payload.size());
    std::copy(payload.begin(), payload.end(), p.payload);
    return p;
}

QByteArray encode(const bp_packet& p) {
    QByteArray out(BP_MAX_ENCODED, '\x55');
    const std::size_t n =
        bp_encode(&p, reinterpret_cast<std::uint8_t*>(out.data()), std::size_t(out.size()));
    out.truncate(qsizetype(n));
    return out;
}

struct Fed {
    std::vector<bp_result> results; // one per byte
    bp_packet last{};
};

Fed feed(bp_decoder& d, const QByteArray& bytes) {
    Fed fed;
    for (const char c : bytes)
        fed.results.push_back(bp_decoder_feed(&d, std::uint8_t(c), &fed.last));
    return fed;
}

// A plain COBS encoder written apart from the one under test, so that damaged
// packets can be framed correctly.
QByteArray cobs(const QByteArray& raw) {
    QByteArray out, block;
    for (const char c : raw) {
        if (c == 0) {
            out += char(block.size() + 1) + block;
            block.clear();
        } else {
            block += c;
        }
    }
    return out + char(block.size() + 1) + block + '\0';
}

QByteArray withCrc(QByteArray raw) {
    const std::uint16_t crc =
        bp_crc16(reinterpret_cast<const std::uint8_t*>(raw.constData()), std::size_t(raw.size()));
    return raw + char(crc >> 8) + char(crc & 0xFF);
}

QByteArray header(int type, int seq, int len) {
    const char bytes[] = {char(type), char(seq), char(len)};
    return QByteArray(bytes, 3);
}

} // namespace

class BridgeProtocolTest : public QObject {
    Q_OBJECT
private slots:
    void crcCheckValues_data();
    void crcCheckValues();
    void roundTrips_data();
    void roundTrips();
    void knownWireBytes_data();
    void knownWireBytes();
    void encodeRefusesWhatDoesNotFit();
    void badPackets_data();
    void badPackets();
    void streams_data();
    void streams();
    void levelPlanes_data();
    void levelPlanes();
};

void BridgeProtocolTest::crcCheckValues_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<int>("crc");
    QTest::newRow("check string") << QByteArray("123456789") << 0x29B1;
    QTest::newRow("nothing") << QByteArray() << 0xFFFF;
    QTest::newRow("one letter") << QByteArray("A") << 0xB915;
}

void BridgeProtocolTest::crcCheckValues() {
    QFETCH(QByteArray, data);
    QFETCH(int, crc);
    QCOMPARE(
        bp_crc16(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size())),
        crc);
}

void BridgeProtocolTest::roundTrips_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("seq");
    QTest::addColumn<QByteArray>("payload");
    const QByteArray ramp = [] {
        QByteArray r;
        for (int i = 0; i < 32; ++i)
            r += char(i * 37 % 256);
        return r;
    }();
    QTest::newRow("hello") << BP_HELLO << 0 << QByteArray(1, char(BP_PROTOCOL_VERSION));
    QTest::newRow("frame ramp") << BP_FRAME << 17 << ramp;
    QTest::newRow("frame zeros") << BP_FRAME << 255 << QByteArray(32, '\0');
    QTest::newRow("frame ones") << BP_FRAME << 0 << QByteArray(32, '\xFF');
    QTest::newRow("blank") << BP_BLANK << 255 << QByteArray();
    QTest::newRow("ping") << BP_PING << 1 << QByteArray();
    QTest::newRow("brightness") << 0x09 << 3 << QByteArray(1, char(5));
    QTest::newRow("ready") << BP_READY << 0 << QByteArray(1, '\1');
    QTest::newRow("ident") << BP_IDENT << 9 << QByteArray("\1\1\0\x10\x10", 5);
    QTest::newRow("ack") << BP_ACK << 200 << QByteArray();
    QTest::newRow("nak") << BP_NAK << 0 << QByteArray(1, char(BP_ERR_CRC));
    for (const int len : {0, 1, 31, 32}) {
        for (const char fill : {'\0', '\xFF'}) {
            for (const int seq : {0, 255}) {
                const QByteArray name = QByteArray("ping len ") + QByteArray::number(len) +
                                        (fill ? " ones" : " zeros") + " seq " +
                                        QByteArray::number(seq);
                QTest::newRow(name.constData()) << BP_PING << seq << QByteArray(len, fill);
            }
        }
    }
}

void BridgeProtocolTest::roundTrips() {
    QFETCH(int, type);
    QFETCH(int, seq);
    QFETCH(QByteArray, payload);
    const QByteArray wire = encode(makePacket(type, seq, payload));
    QCOMPARE(wire.size(), payload.size() + 3 + 2 + 1 + 1); // one COBS code byte, the delimiter
    QVERIFY(wire.size() <= BP_MAX_ENCODED);
    QCOMPARE(wire.indexOf('\0'), wire.size() - 1);

    bp_decoder d;
    bp_decoder_init(&d);
    const Fed fed = feed(d, wire);
    for (std::size_t i = 0; i + 1 < fed.results.size(); ++i)
        QCOMPARE(fed.results[i], BP_NONE);
    QCOMPARE(fed.results.back(), BP_OK);
    QCOMPARE(int(fed.last.type), type);
    QCOMPARE(int(fed.last.seq), seq);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(fed.last.payload), fed.last.len), payload);
}

void BridgeProtocolTest::knownWireBytes_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("seq");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QByteArray>("wire");
    QTest::newRow("ack") << BP_ACK << 7 << QByteArray() << QByteArray::fromHex("03830703370100");
    QTest::newRow("hello") << BP_HELLO << 0 << QByteArray(1, '\1')
                           << QByteArray::fromHex("0201050101d16400");
    QTest::newRow("dark frame") << BP_FRAME << 255 << QByteArray(32, '\0')
                                << QByteArray::fromHex("0402ff20" + QByteArray("01").repeated(31) +
                                                       "03bdc900");
}

// Bytes worked out by hand from the definition, so that an error the encoder and
// the decoder share (byte order, COBS variant) cannot pass unnoticed.
void BridgeProtocolTest::knownWireBytes() {
    QFETCH(int, type);
    QFETCH(int, seq);
    QFETCH(QByteArray, payload);
    QFETCH(QByteArray, wire);
    QCOMPARE(encode(makePacket(type, seq, payload)).toHex(' '), wire.toHex(' '));
}

void BridgeProtocolTest::encodeRefusesWhatDoesNotFit() {
    bp_packet tooLong = makePacket(BP_PING, 0, QByteArray());
    tooLong.len = BP_MAX_PAYLOAD + 1;
    std::uint8_t out[64];
    QCOMPARE(bp_encode(&tooLong, out, sizeof out), std::size_t(0));

    const bp_packet ping = makePacket(BP_PING, 3, QByteArray());
    const std::size_t needed = 3 + 2 + 1 + 1;
    QCOMPARE(bp_encode(&ping, out, needed - 1), std::size_t(0));
    QCOMPARE(bp_encode(&ping, out, needed), needed);

    const bp_packet full = makePacket(BP_FRAME, 3, QByteArray(32, '\xFF'));
    QCOMPARE(bp_encode(&full, out, BP_MAX_ENCODED - 1), std::size_t(0));
    QCOMPARE(bp_encode(&full, out, BP_MAX_ENCODED), std::size_t(BP_MAX_ENCODED));
}

void BridgeProtocolTest::badPackets_data() {
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<int>("result");
    QTest::addColumn<int>("seq"); // as the decoder reports it, for the NAK

    const QByteArray goodPing = withCrc(header(BP_PING, 9, 0));
    QByteArray crcFlipped = goodPing;
    crcFlipped[4] = char(crcFlipped[4] ^ 0x01);
    QByteArray typeFlipped = goodPing;
    typeFlipped[0] = char(BP_BLANK);

    QTest::newRow("short: code byte only") << QByteArray("\x01\0", 2) << int(BP_ERR_SHORT) << 0;
    QTest::newRow("short: four bytes")
        << cobs(header(BP_PING, 9, 0) + 'x') << int(BP_ERR_SHORT) << 0;
    QTest::newRow("long") << QByteArray(BP_MAX_ENCODED + 1, '\x07') + '\0' << int(BP_ERR_LONG) << 0;
    QTest::newRow("crc: check byte") << cobs(crcFlipped) << int(BP_ERR_CRC) << 0;
    QTest::newRow("crc: header byte") << cobs(typeFlipped) << int(BP_ERR_CRC) << 0;
    QTest::newRow("crc: swapped check bytes")
        << cobs(goodPing.left(3) + goodPing[4] + goodPing[3]) << int(BP_ERR_CRC) << 0;
    QTest::newRow("cobs: code runs past the end")
        << QByteArray("\x09\x04\x09\x01\x02\x03\0", 7) << int(BP_ERR_COBS) << 0;
    QTest::newRow("cobs: trailing code byte")
        << cobs(goodPing).insert(cobs(goodPing).size() - 1, '\x02') << int(BP_ERR_COBS) << 0;
    for (const int type : {0x00, 0x0A, 0x80, 0x85, 0xFF}) {
        const QByteArray name = "type 0x" + QByteArray::number(type, 16);
        QTest::newRow(name.constData())
            << cobs(withCrc(header(type, 42, 0))) << int(BP_ERR_TYPE) << 42;
    }
    QTest::newRow("length: len above the payload")
        << cobs(withCrc(header(BP_PING, 5, 3) + "ab")) << int(BP_ERR_LENGTH) << 5;
    QTest::newRow("length: len below the payload")
        << cobs(withCrc(header(BP_HELLO, 6, 0) + "\1")) << int(BP_ERR_LENGTH) << 6;
    QTest::newRow("length: 33 bytes")
        << cobs(withCrc(header(BP_PING, 7, 33) + QByteArray(33, 'z'))) << int(BP_ERR_LENGTH) << 7;
    QTest::newRow("length: frame of 31")
        << cobs(withCrc(header(BP_FRAME, 8, 31) + QByteArray(31, '\0'))) << int(BP_ERR_LENGTH) << 8;
    QTest::newRow("length: empty frame")
        << cobs(withCrc(header(BP_FRAME, 9, 0))) << int(BP_ERR_LENGTH) << 9;
    QTest::newRow("length: first level plane of 31")
        << cobs(withCrc(header(BP_LEVEL_PLANE(0), 10, 31) + QByteArray(31, '\0')))
        << int(BP_ERR_LENGTH) << 10;
    QTest::newRow("length: empty last level plane")
        << cobs(withCrc(header(BP_LEVEL_PLANE(3), 11, 0))) << int(BP_ERR_LENGTH) << 11;
    QTest::newRow("length: empty brightness")
        << cobs(withCrc(header(0x09, 12, 0))) << int(BP_ERR_LENGTH) << 12;
    QTest::newRow("length: brightness of 2")
        << cobs(withCrc(header(0x09, 13, 2) + QByteArray("\x32\x05", 2))) << int(BP_ERR_LENGTH)
        << 13;
}

// Each damaged packet gives its class once, at its delimiter, and the decoder
// reads the next good packet as if nothing had happened.
void BridgeProtocolTest::badPackets() {
    QFETCH(QByteArray, wire);
    QFETCH(int, result);
    QFETCH(int, seq);
    bp_decoder d;
    bp_decoder_init(&d);
    const Fed bad = feed(d, wire);
    QCOMPARE(int(bad.results.back()), result);
    QCOMPARE(int(bad.last.seq), seq);
    QCOMPARE(std::count(bad.results.begin(), bad.results.end(), BP_NONE),
             std::ptrdiff_t(bad.results.size()) - 1);

    const Fed good = feed(d, encode(makePacket(BP_ACK, 77, QByteArray())));
    QCOMPARE(good.results.back(), BP_OK);
    QCOMPARE(int(good.last.seq), 77);
}

using Ends = QList<int>; // result, seq and len of each packet that ended

void BridgeProtocolTest::streams_data() {
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<Ends>("ends");
    auto ping = [](int seq) { return encode(makePacket(BP_PING, seq, QByteArray())); };
    // A good packet swallowed by noise before it is not read out of the noise.
    QTest::newRow("noise, then two packets")
        << QByteArray(200, '\x01') + ping(1) + ping(2) << Ends{BP_ERR_LONG, 0, 0, BP_OK, 2, 0};
    QTest::newRow("empty packets") << QByteArray(3, '\0') + ping(4) << Ends{BP_OK, 4, 0};
    QByteArray backToBack;
    Ends all;
    for (int seq = 0; seq < 256; ++seq) {
        const int len = seq % 2 ? 32 : 0;
        backToBack += encode(makePacket(len ? BP_FRAME : BP_PING, seq, QByteArray(len, char(seq))));
        all << BP_OK << seq << len;
    }
    QTest::newRow("256 packets back to back") << backToBack << all;
}

void BridgeProtocolTest::streams() {
    QFETCH(QByteArray, wire);
    QFETCH(Ends, ends);
    bp_decoder d;
    bp_decoder_init(&d);
    Ends got;
    for (const char c : wire) {
        bp_packet p{};
        const bp_result r = bp_decoder_feed(&d, std::uint8_t(c), &p);
        if (r != BP_NONE)
            got << r << p.seq << p.len;
    }
    QCOMPARE(got, ends);
}

void BridgeProtocolTest::levelPlanes_data() {
    QTest::addColumn<int>("led"); // row * 16 + column, the only LED not dark
    QTest::addColumn<int>("level");
    QTest::addColumn<int>("plane");
    QTest::addColumn<int>("byte"); // where the LED's bit lands, -1: nowhere
    QTest::addColumn<int>("bit");
    QTest::newRow("top left, plane 0 of 5") << 0 << 5 << 0 << 0 << 0x01;
    QTest::newRow("top left, plane 1 of 5") << 0 << 5 << 1 << -1 << 0;
    QTest::newRow("top left, plane 2 of 5") << 0 << 5 << 2 << 0 << 0x01;
    QTest::newRow("column 8 is the row's right half") << 8 << 15 << 3 << 1 << 0x01;
    QTest::newRow("column 7") << 7 << 2 << 1 << 0 << 0x80;
    QTest::newRow("row 1, column 10") << 26 << 4 << 2 << 3 << 0x04;
    QTest::newRow("bottom right, plane 3 of 8") << 255 << 8 << 3 << 31 << 0x80;
    QTest::newRow("bottom right, plane 2 of 8") << 255 << 8 << 2 << -1 << 0;
}

// A plane is the frame layout of one bit of every level.
void BridgeProtocolTest::levelPlanes() {
    QFETCH(int, led);
    QFETCH(int, level);
    QFETCH(int, plane);
    QFETCH(int, byte);
    QFETCH(int, bit);
    std::array<std::uint8_t, 256> levels{};
    levels[std::size_t(led)] = std::uint8_t(level);
    std::array<std::uint8_t, BP_FRAME_PAYLOAD> payload;
    payload.fill(0xEE);
    bp_level_plane(levels.data(), std::uint8_t(plane), payload.data());
    std::array<std::uint8_t, BP_FRAME_PAYLOAD> expected{};
    if (byte >= 0)
        expected[std::size_t(byte)] = std::uint8_t(bit);
    QCOMPARE(payload, expected);
}

QTEST_GUILESS_MAIN(BridgeProtocolTest)
#include "test_bridge_protocol.moc"
