// Copying between the board and the store.
#include "support/FakeServices.h"

#include <QtTest>

class FrameStoreTest : public QObject {
    Q_OBJECT
private slots:
    void zapmatAndChitmatTouchOnlyTheCurrentFrame();
    void onlyAByteOfOneIsLit();
    void aStoreShorterThanTheFrameIsNeverOverrun();
};

void FrameStoreTest::zapmatAndChitmatTouchOnlyTheCurrentFrame() {
    EditorFixture f;
    Editor& w = *f;
    w.State.ImageCount = 3;
    w.State.CurrentImage = 3;
    w.State.Frames.assign(768, 0);
    for (std::size_t i = 0; i < 768; ++i)
        w.State.Frames[i] = static_cast<std::uint8_t>(i % 3 == 0);
    const std::vector<std::uint8_t> before = w.State.Frames;

    w.State.Cell = -5;
    w.Chitmat();
    QCOMPARE(w.State.Cell, 256);
    for (int c = 0; c < 256; ++c)
        QCOMPARE(w.isCellShown(c), (512 + c) % 3 == 0);

    w.setCellShown(0, false);
    w.setCellShown(1, true);
    w.Zapmat();
    QCOMPARE(w.State.Cell, 256);
    std::vector<std::uint8_t> expected = before;
    expected[512] = 0;
    expected[513] = 1;
    QCOMPARE(w.State.Frames, expected);
}

void FrameStoreTest::onlyAByteOfOneIsLit() {
    EditorFixture f;
    Editor& w = *f;
    w.State.Frames[0] = 2;
    w.State.Frames[1] = 255;
    w.State.Frames[2] = 1;
    w.Chitmat();
    QVERIFY(!w.isCellShown(0));
    QVERIFY(!w.isCellShown(1));
    QVERIFY(w.isCellShown(2));
    w.Zapmat();
    QCOMPARE(w.State.Frames[0], std::uint8_t(0));
    QCOMPARE(w.State.Frames[1], std::uint8_t(0));
    QCOMPARE(w.State.Frames[2], std::uint8_t(1));
    // A store of 0s and 1s goes round unchanged.
    const auto stored = w.State.Frames;
    w.Chitmat();
    w.Zapmat();
    QCOMPARE(w.State.Frames, stored);
}

void FrameStoreTest::aStoreShorterThanTheFrameIsNeverOverrun() {
    EditorFixture f;
    Editor& w = *f;
    w.State.Frames.assign(300, 1); // frame 2 has only 44 bytes
    w.State.ImageCount = 2;
    w.State.CurrentImage = 2;
    w.Chitmat();
    QVERIFY(w.isCellShown(43));
    QVERIFY(!w.isCellShown(44));
    for (int c = 0; c < 256; ++c)
        w.setCellShown(c, false);
    w.Zapmat();
    QCOMPARE(w.State.Frames.size(), std::size_t(300));
    QCOMPARE(w.State.Frames[299], std::uint8_t(0));
    QCOMPARE(w.State.Frames[255], std::uint8_t(1));
}

QTEST_GUILESS_MAIN(FrameStoreTest)
#include "test_frame_store.moc"
