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
    w.animation().setImageCount(3);
    w.animation().setCurrentImage(3);
    w.animation().replaceStore(Animation::Store(768, 0));
    for (std::size_t i = 0; i < 768; ++i)
        w.animation().bytes()[i] = static_cast<std::uint8_t>(i % 3 == 0);
    const std::vector<std::uint8_t> before = w.animation().frames();

    f.working().Cell = -5;
    w.Chitmat();
    QCOMPARE(w.working().Cell, 256);
    for (int c = 0; c < 256; ++c)
        QCOMPARE(w.isCellShown(c), (512 + c) % 3 == 0);

    w.setCellShown(0, false);
    w.setCellShown(1, true);
    w.Zapmat();
    QCOMPARE(w.working().Cell, 256);
    std::vector<std::uint8_t> expected = before;
    expected[512] = 0;
    expected[513] = 1;
    QCOMPARE(w.animation().frames(), expected);
}

void FrameStoreTest::onlyAByteOfOneIsLit() {
    EditorFixture f;
    Editor& w = *f;
    w.animation().bytes()[0] = 2;
    w.animation().bytes()[1] = 255;
    w.animation().bytes()[2] = 1;
    w.Chitmat();
    QVERIFY(!w.isCellShown(0));
    QVERIFY(!w.isCellShown(1));
    QVERIFY(w.isCellShown(2));
    w.Zapmat();
    QCOMPARE(w.animation().frames()[0], std::uint8_t(0));
    QCOMPARE(w.animation().frames()[1], std::uint8_t(0));
    QCOMPARE(w.animation().frames()[2], std::uint8_t(1));
    // A store of 0s and 1s goes round unchanged.
    const auto stored = w.animation().frames();
    w.Chitmat();
    w.Zapmat();
    QCOMPARE(w.animation().frames(), stored);
}

void FrameStoreTest::aStoreShorterThanTheFrameIsNeverOverrun() {
    EditorFixture f;
    Editor& w = *f;
    w.animation().replaceStore(Animation::Store(300, 1)); // frame 2 has only 44 bytes
    w.animation().setImageCount(2);
    w.animation().setCurrentImage(2);
    w.Chitmat();
    QVERIFY(w.isCellShown(43));
    QVERIFY(!w.isCellShown(44));
    for (int c = 0; c < 256; ++c)
        w.setCellShown(c, false);
    w.Zapmat();
    QCOMPARE(w.animation().frames().size(), std::size_t(300));
    QCOMPARE(w.animation().frames()[299], std::uint8_t(0));
    QCOMPARE(w.animation().frames()[255], std::uint8_t(1));
}

QTEST_GUILESS_MAIN(FrameStoreTest)
#include "test_frame_store.moc"
