// The step times the speed buttons move between and the rate text shown for them.
#include "playback/SpeedLadder.h"

#include <QtTest>
#include <algorithm>
#include <set>
#include <vector>

using namespace SpeedLadder;

namespace {

// A step as the buttons take it, clamped into 40..2672.
int reduce(int ms) {
    return std::min(slower(ms), SlowestMs);
}
int enlarge(int ms) {
    return std::max(faster(ms), FastestMs);
}

std::vector<int> walk(int from, int steps, int (*step)(int)) {
    std::vector<int> values{from};
    for (int i = 0; i < steps; ++i)
        values.push_back(step(values.back()));
    return values;
}

const std::vector<int> ReduceLadder{40,  48,  58,   70,   84,   101,  121,  145,
                                    174, 209, 251,  301,  361,  433,  520,  624,
                                    749, 899, 1079, 1295, 1554, 1865, 2238, 2672};
const std::vector<int> EnlargeLadder{2672, 2227, 1856, 1547, 1289, 1074, 895, 746,
                                     622,  518,  432,  360,  300,  250,  208, 173,
                                     144,  120,  100,  83,   69,   58,   48,  40};

} // namespace

class SpeedLadderTest : public QObject {
    Q_OBJECT
private slots:
    void laddersFromBothEnds();
    void onlyLadderValuesCanOccur();
    void stepsCrossBetweenTheLadders();
    void rateIsCutToOneDecimal();
};

void SpeedLadderTest::laddersFromBothEnds() {
    QCOMPARE(walk(FastestMs, 23, reduce), ReduceLadder);
    QCOMPARE(walk(SlowestMs, 23, enlarge), EnlargeLadder);
    // The last Reduce overshoots and is cut; the last Enlarge below 40 likewise.
    QCOMPARE(slower(2238), 2686);
    QCOMPARE(faster(FastestMs), 33);
}

void SpeedLadderTest::onlyLadderValuesCanOccur() {
    std::set<int> ladders(ReduceLadder.begin(), ReduceLadder.end());
    ladders.insert(EnlargeLadder.begin(), EnlargeLadder.end());
    QCOMPARE(ladders.size(), std::size_t(44));

    std::set<int> reached{StartMs, FastestMs, SlowestMs};
    for (std::vector<int> open(reached.begin(), reached.end()); !open.empty();) {
        const int ms = open.back();
        open.pop_back();
        for (int next : {reduce(ms), enlarge(ms)})
            if (reached.insert(next).second)
                open.push_back(next);
    }
    QCOMPARE(reached, ladders);
}

void SpeedLadderTest::stepsCrossBetweenTheLadders() {
    QCOMPARE(slower(300), 360);
    QCOMPARE(faster(301), 251);
    QCOMPARE(faster(69), 58); // 57.5 goes to the even neighbour
    QCOMPARE(faster(15), 12); // and 12.5 likewise, downwards
    const std::vector<int> fromStart{301, 251, 209, 174, 145, 121, 101, 84, 70, 58, 48, 40};
    QCOMPARE(walk(StartMs, 11, faster), fromStart);
}

void SpeedLadderTest::rateIsCutToOneDecimal() {
    const std::pair<int, const char*> cases[] = {
        {40, " 25 Hz"},   {48, " 20.8 Hz"}, {70, " 14.2 Hz"},  {121, " 8.2 Hz"}, {83, " 12 Hz"},
        {301, " 3.3 Hz"}, {1000, " 1 Hz"},  {1079, " 0.9 Hz"}, {2672, " 0.3 Hz"}};
    for (auto [ms, text] : cases)
        QCOMPARE(rateText(ms), std::string(text));
}

QTEST_MAIN(SpeedLadderTest)
#include "test_speed_ladder.moc"
