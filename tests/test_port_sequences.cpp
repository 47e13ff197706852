// Packing a matrix row from the store, the writes of one row, and the board model
// the refresh loop tests rely on.
#include "port/MatrixDecoder.h"
#include "port/PortSequences.h"

#include <QtTest>
#include <limits>
#include <memory>

using W = PortWrite;
using PortSequences::packRow;
using PortSequences::RowBytes;

class PortSequencesTest : public QObject {
    Q_OBJECT
private slots:
    void eachLedLandsInItsRowAndBit();
    void readsOnlyTheCurrentFrameAndNeverPastTheStore();
    void rowIsThirteenWritesWithThePauseBeforeTheLast();
    void decoderFollowsThePins();
};

void PortSequencesTest::eachLedLandsInItsRowAndBit() {
    // Every LED alone in frame 2, over bytes that are not 1 and so dark; frame 1 is
    // all lit.
    std::vector<std::uint8_t> store(512, 1);
    for (std::size_t i = 256; i < 512; ++i)
        store[i] = i % 2 ? 2 : 255;
    for (int row = 0; row < 16; ++row)
        QCOMPARE(packRow(store, 1, row), (RowBytes{255, 255}));
    for (int led = 0; led < 256; ++led) {
        const std::size_t at = 256 + static_cast<std::size_t>(led);
        const std::uint8_t before = store[at];
        store[at] = 1;
        for (int row = 0; row < 16; ++row) {
            const int column = led % 16;
            RowBytes expected;
            if (row == led / 16)
                (column < 8 ? expected.low : expected.high) = std::uint8_t(1u << (column % 8));
            QVERIFY2(packRow(store, 2, row) == expected, qPrintable(QString::number(led)));
        }
        store[at] = before;
    }
}

void PortSequencesTest::readsOnlyTheCurrentFrameAndNeverPastTheStore() {
    // Exactly sized heap blocks, so that a read past the end trips the sanitizer.
    auto block = [](std::size_t size) {
        auto p = std::make_unique<std::uint8_t[]>(size);
        std::fill(p.get(), p.get() + size, 1);
        return p;
    };
    const auto two = block(512);
    const std::span<const std::uint8_t> store(two.get(), 512);
    QCOMPARE(packRow(store, 2, 15), (RowBytes{255, 255}));
    for (int frame : {std::numeric_limits<int>::min(), -1, 0, 3, 1000000}) {
        for (int row = 0; row < 16; ++row)
            QCOMPARE(packRow(store, frame, row), RowBytes{});
    }
    // A store cut short in the middle of a row: what is there is read, the rest dark.
    const auto cut = block(256 + 16 * 5 + 11);
    const std::span<const std::uint8_t> shortStore(cut.get(), 256 + 16 * 5 + 11);
    QCOMPARE(packRow(shortStore, 2, 4), (RowBytes{255, 255}));
    QCOMPARE(packRow(shortStore, 2, 5), (RowBytes{255, 0x07}));
    QCOMPARE(packRow(shortStore, 2, 6), RowBytes{});
}

void PortSequencesTest::rowIsThirteenWritesWithThePauseBeforeTheLast() {
    RecordingPort port;
    port.writeControl(77);
    std::vector<std::pair<std::size_t, float>> pauses;
    PortSequences::sendRow(port, RowBytes{0xA5, 0x3C},
                           [&](float s) { pauses.emplace_back(port.count(), s); });
    const std::vector<PortWrite> expected{
        W::control(77),  W::control(2), W::data(0),    W::control(1), W::data(0),
        W::control(251), W::control(3), W::data(0xA5), W::control(2), W::control(3),
        W::data(0x3C),   W::control(1), W::control(3), W::data(0)};
    QCOMPARE(port.writes(), expected);
    QCOMPARE(pauses, (std::vector<std::pair<std::size_t, float>>{{13, 0.00004f}}));
}

void PortSequencesTest::decoderFollowsThePins() {
    // Written from the pin table alone: 247 raises Init, 251 -> 3 clocks Select In,
    // 3 -> 2 raises Strobe, 3 -> 1 raises Auto Feed.
    MatrixDecoder board;
    auto feed = [&](std::initializer_list<PortWrite> writes) {
        for (const PortWrite& w : writes)
            board.feed(w);
    };
    auto clockRow = [&] { feed({W::control(251), W::control(3)}); };
    feed({W::control(247), W::control(3)});
    QCOMPARE(board.selectedScreenRow(), 15);
    clockRow();
    clockRow();
    QCOMPARE(board.selectedScreenRow(), 13);
    // High half only: the row is not complete yet.
    feed({W::data(0x42), W::control(1), W::data(0x99), W::control(3)});
    QCOMPARE(board.rowsShown(), 0);
    feed({W::data(0x81), W::control(2), W::data(0xFF), W::control(2), W::control(3)});
    QCOMPARE(board.rows()[13], std::uint16_t(0x4281));
    QVERIFY(board.lit(13 * 16) && board.lit(13 * 16 + 7) && board.lit(13 * 16 + 9));
    QVERIFY(!board.lit(13 * 16 + 8));
    QCOMPARE(board.latched(), std::uint16_t(0x4281));
    // Reloading the latches while the row stays selected leaves its picture.
    feed({W::data(0), W::control(2), W::control(1)});
    QCOMPARE(board.latched(), std::uint16_t(0));
    QCOMPARE(board.rows()[13], std::uint16_t(0x4281));
    // Sixteen clocks come back to the same row; Init starts over at the bottom.
    for (int i = 0; i < 16; ++i)
        clockRow();
    QCOMPARE(board.selectedScreenRow(), 13);
    feed({W::control(247), W::control(3)});
    clockRow();
    feed({W::data(0x01), W::control(2), W::control(3), W::data(0x80), W::control(1)});
    QCOMPARE(board.rows()[14], std::uint16_t(0x8001));
    QCOMPARE(board.rowsShown(), 2);
}

QTEST_MAIN(PortSequencesTest)
#include "test_port_sequences.moc"
