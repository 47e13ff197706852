// The picture arithmetic of the whole-frame operations, without the window.
#include "frames/FrameTransforms.h"

#include <QtTest>

using namespace FrameTransforms;
using Transform = Frame (*)(const Frame&);

namespace {

Frame lit(std::initializer_list<int> cells) {
    Frame f{};
    for (int c : cells)
        f[static_cast<std::size_t>(c)] = 1;
    return f;
}

Frame repeat(Transform t, int times, Frame f) {
    while (times-- > 0)
        f = t(f);
    return f;
}

} // namespace

class FrameTransformsTest : public QObject {
    Q_OBJECT
private slots:
    void singleLedsLandWhereTheyShould();
    void operationsUndoEachOther();
};

void FrameTransformsTest::singleLedsLandWhereTheyShould() {
    const struct {
        Transform transform;
        int from, to;
    } cases[] = {
        {rotateRight, 1, 31},       {rotateRight, 15, 255},    {rotateRight, 17, 30},
        {rotateLeft, 1, 224},       {rotateLeft, 15, 0},       {rotateLeft, 17, 225},
        {mirrorLeftRight, 1, 14},   {mirrorLeftRight, 16, 31}, {mirrorTopBottom, 1, 241},
        {mirrorTopBottom, 16, 224}, {shiftUp, 0, 240},         {shiftUp, 255, 239},
        {shiftDown, 0, 16},         {shiftDown, 255, 15},      {shiftLeft, 0, 15},
        {shiftLeft, 255, 254},      {shiftRight, 0, 1},        {shiftRight, 255, 240},
    };
    for (const auto& c : cases)
        QVERIFY2(c.transform(lit({c.from})) == lit({c.to}),
                 qPrintable(QStringLiteral("%1 -> %2").arg(c.from).arg(c.to)));
}

void FrameTransformsTest::operationsUndoEachOther() {
    Frame p{}; // no symmetry, so that a wrong mapping shows
    std::uint32_t x = 1;
    for (auto& b : p)
        b = static_cast<std::uint8_t>(((x = x * 1103515245u + 12345u) >> 16) & 1);
    QCOMPARE(repeat(rotateRight, 4, p), p);
    QCOMPARE(rotateLeft(rotateRight(p)), p);
    QCOMPARE(repeat(mirrorLeftRight, 2, p), p);
    QCOMPARE(repeat(mirrorTopBottom, 2, p), p);
    QCOMPARE(mirrorTopBottom(mirrorLeftRight(p)), repeat(rotateRight, 2, p));
    QCOMPARE(repeat(invert, 2, p), p);
    for (Transform shift : {shiftUp, shiftDown, shiftLeft, shiftRight})
        QVERIFY(shift(p) != p && repeat(shift, 16, p) == p);
    QCOMPARE(shiftDown(shiftUp(p)), p);
    QCOMPARE(shiftRight(shiftLeft(p)), p);
    QCOMPARE(invert(Frame{}), filled(true));

    // Only a byte of 1 is lit, and what comes out is 0 or 1, as the board would give.
    Frame odd = lit({2});
    odd[0] = 2;
    odd[1] = 255;
    QCOMPARE(normalized(odd), lit({2}));
    QCOMPARE(mirrorLeftRight(odd), lit({13}));
    QCOMPARE(invert(odd), invert(lit({2})));
}

QTEST_MAIN(FrameTransformsTest)
#include "test_frame_transforms.moc"
