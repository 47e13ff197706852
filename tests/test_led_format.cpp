#include "files/LedFormat.h"
#include "files/TextLines.h"

#include <QtTest>

#include <random>

using Bytes = std::vector<std::uint8_t>;
using LedFormat::ReadError;
using namespace std::string_literals;

Q_DECLARE_METATYPE(std::string)
Q_DECLARE_METATYPE(LedFormat::ReadError)

namespace {

std::string repeat(std::string_view piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

// The reading rules applied in the plainest way, to hold the reader's fast path against.
LedFormat::ReadResult referenceRead(std::string_view text) {
    LedFormat::ReadResult r;
    if (text.empty()) {
        r.error = ReadError::Empty;
        return r;
    }
    r.frameCount = LedFormat::frameCountForLength(text.size());
    Bytes store(static_cast<std::size_t>(r.frameCount) * 256, 0);
    std::size_t line = 0;
    TextLines::forEach(text, [&](std::string_view l) {
        if (line == store.size()) {
            r.error = ReadError::TooManyLines;
            return false;
        }
        const auto v = LedFormat::lineValue(l);
        if (!v) {
            r.error = ReadError::ValueOutOfRange;
            return false;
        }
        store[line++] = *v;
        return true;
    });
    if (r.ok()) {
        r.frames = std::move(store);
    } else {
        r.failedLine = line;
        r.frameCount = 0;
    }
    return r;
}

} // namespace

class TestLedFormat : public QObject {
    Q_OBJECT

private slots:
    void writesFixedLayout() {
        Bytes one(256, 0);
        one[0] = 1;
        const std::string file = LedFormat::write(one);
        QCOMPARE(file.size(), std::size_t{1280});
        QCOMPARE(file.substr(0, 10), " 1 \r\n 0 \r\n"s);
        QCOMPARE(file.substr(1275), " 0 \r\n"s);

        Bytes three(3 * 256, 0);
        three[256 + 17] = 1;
        const std::string file3 = LedFormat::write(three);
        QCOMPARE(file3.size(), std::size_t{3840});
        QCOMPARE(file3[1366], '1');
        QCOMPARE(std::count(file3.begin(), file3.end(), '1'), 1);

        QCOMPARE(LedFormat::write(Bytes{2, 10, 99, 100, 255}),
                 " 2 \r\n 10 \r\n 99 \r\n 100 \r\n 255 \r\n"s);

        std::string appended = "head";
        LedFormat::write(Bytes{1, 0}, appended);
        QCOMPARE(appended, "head 1 \r\n 0 \r\n"s);
        QVERIFY(LedFormat::write(Bytes{}).empty());
    }

    void roundTrip_data() {
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("maxValue");
        QTest::newRow("one frame") << 1 << 1;
        QTest::newRow("sixty frames") << 60 << 1;
        QTest::newRow("digits 0 to 9") << 7 << 9;
    }
    void roundTrip() {
        QFETCH(int, frames);
        QFETCH(int, maxValue);
        std::mt19937 rng(frames);
        std::uniform_int_distribution<int> value(0, maxValue);
        Bytes store(static_cast<std::size_t>(frames) * 256);
        for (auto& b : store)
            b = static_cast<std::uint8_t>(value(rng));
        const auto r = LedFormat::read(LedFormat::write(store));
        QVERIFY(r.ok());
        QCOMPARE(r.frameCount, frames);
        QVERIFY(r.frames == store);
    }

    void valuesOfTenAndMoreLengthenTheFile() {
        Bytes all(256);
        for (int v = 0; v < 256; ++v)
            all[static_cast<std::size_t>(v)] = static_cast<std::uint8_t>(v);
        const std::string file = LedFormat::write(all);
        QCOMPARE(file.size(), std::size_t{1280 + 90 + 2 * 156});
        const auto r = LedFormat::read(file);
        QVERIFY(r.ok());
        QCOMPARE(r.frameCount, 2);
        QVERIFY(std::equal(all.begin(), all.end(), r.frames.begin()));
        QVERIFY(std::all_of(r.frames.begin() + 256, r.frames.end(), [](auto b) { return b == 0; }));
    }

    void lineValue_data() {
        QTest::addColumn<std::string>("line");
        QTest::addColumn<int>("expected"); // -1: out of range

        QTest::newRow("written line") << " 1 "s << 1;
        QTest::newRow("two stays two") << "2"s << 2;
        QTest::newRow("255") << "255"s << 255;
        QTest::newRow("256") << "256"s << -1;
        QTest::newRow("-1") << "-1"s << -1;
        QTest::newRow("1000") << "1000"s << -1;
        QTest::newRow("leading zeros") << "+0007"s << 7;
        QTest::newRow("2.5 to even") << "2.5"s << 2;
        QTest::newRow("3.5 to even") << "3.5"s << 4;
        QTest::newRow("0.5 to even") << "0.5"s << 0;
        QTest::newRow("just above half") << "2.5000000000000000000001"s << 3;
        QTest::newRow("254.5") << "254.5"s << 254;
        QTest::newRow("255.5 rounds out") << "255.5"s << -1;
        QTest::newRow("-0.4 is zero") << "-0.4"s << 0;
        QTest::newRow("-0.5 is zero") << "-0.5"s << 0;
        QTest::newRow("-0.6") << "-0.6"s << -1;
        QTest::newRow("point first") << ".51"s << 1;
        QTest::newRow("point last") << "9."s << 9;
        QTest::newRow("&HFF") << "&HFF"s << 255;
        QTest::newRow("&hff") << "&h0ff"s << 255;
        QTest::newRow("&H100") << "&H100"s << -1;
        QTest::newRow("&O17") << "&O17"s << 15;
        QTest::newRow("&o377") << "&o377"s << 255;
        QTest::newRow("&O400") << "&O400"s << -1;
        QTest::newRow("octal stops at 8") << "&O18"s << 1;
        QTest::newRow("&H alone") << "&H"s << 0;
        QTest::newRow("& alone") << "&7"s << 0;
        QTest::newRow("sign before &H") << "-&H1"s << 0;
        QTest::newRow("1E2") << "1E2"s << 100;
        QTest::newRow("2.55e+2") << "2.55e+2"s << 255;
        QTest::newRow("25.6E1") << "25.6E1"s << -1;
        QTest::newRow("15E-1") << "15E-1"s << 2;
        QTest::newRow("5e-1") << "5e-1"s << 0;
        QTest::newRow("exponent without digits") << "3E+x"s << 3;
        QTest::newRow("1E400") << "1E400"s << -1;
        QTest::newRow("1E-400") << "1E-400"s << 0;
        QTest::newRow("zero with huge exponent") << "0.000E999999999999999999999"s << 0;
        QTest::newRow("no digits") << "abc"s << 0;
        QTest::newRow("empty") << std::string() << 0;
        QTest::newRow("sign only") << "- ."s << 0;
        QTest::newRow("number then text") << "12abc"s << 12;
        QTest::newRow("blanks inside") << " 1 2 "s << 12;
        QTest::newRow("tab and LF inside") << "\t1\n2\t.\n5"s << 12;
        QTest::newRow("blanks in exponent") << "1 E\t2"s << 100;
        QTest::newRow("NUL ends the number") << std::string{'1', '\0', '9'} << 1;
        QTest::newRow("NUL first") << std::string{'\0', '5'} << 0;
        QTest::newRow("1 MB of digits") << std::string(1 << 20, '1') << -1;
        QTest::newRow("1 MB of zeros")
            << std::string(1 << 20, '0') + "."s + std::string(1 << 20, '0') + "7" << 0;
        QTest::newRow("1 MB of blanks") << std::string(1 << 20, ' ') + "5" << 5;
        QTest::newRow("tiny times huge")
            << "0." + std::string(1 << 20, '0') + "1E" + std::to_string((1 << 20) + 3) << 100;
        QTest::newRow("1 MB exponent") << "1E" + std::string(1 << 20, '9') << -1;
        QTest::newRow("1 MB negative exponent") << "1E-" + std::string(1 << 20, '9') << 0;
    }
    void lineValue() {
        QFETCH(std::string, line);
        QFETCH(int, expected);
        const auto value = LedFormat::lineValue(line);
        QCOMPARE(value.has_value(), expected >= 0);
        if (value)
            QCOMPARE(int(*value), expected);
    }

    void frameCount() {
        QCOMPARE(LedFormat::frameCountForLength(0), 0);
        QCOMPARE(LedFormat::frameCountForLength(1), 1);
        QCOMPARE(LedFormat::frameCountForLength(1280), 1);
        QCOMPARE(LedFormat::frameCountForLength(1281), 2);
        QCOMPARE(LedFormat::frameCountForLength(std::uint64_t{1} << 62),
                 std::numeric_limits<int>::max());
    }

    void readShapes_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<int>("frames");
        QTest::addColumn<Bytes>("leading"); // the first bytes of the store

        Bytes litLast(256, 0);
        litLast[255] = 1;
        const std::string oneFrame = LedFormat::write(litLast);
        QTest::newRow("1279 bytes") << oneFrame.substr(0, 1279) << 1 << litLast;
        QTest::newRow("1281 bytes") << oneFrame + "7" << 2 << [&] {
            Bytes b = litLast;
            b.push_back(7);
            return b;
        }();
        QTest::newRow("long lines fill the first cells")
            << repeat("   1    \r\n", 128) << 1 << Bytes(128, 1);
        QTest::newRow("CR only") << "1\r0\r1"s << 1 << Bytes{1, 0, 1, 0};
        QTest::newRow("CR LF") << "1\r\n0\r\n1\r\n"s << 1 << Bytes{1, 0, 1, 0};
        QTest::newRow("CR LF filling the frame") << repeat("1\r\n", 256) << 1 << Bytes(256, 1);
        QTest::newRow("lone LF stays in the line") << " 1 \n 2 \r\n3"s << 1 << Bytes{12, 3};
        QTest::newRow("LF then CR") << "1\n\r2"s << 1 << Bytes{1, 2};
        QTest::newRow("empty lines") << "\r\r\n\r5"s << 1 << Bytes{0, 0, 0, 5};
        QTest::newRow("CR CR LF") << " 1 \r\r\n 1 \r\n"s << 1 << Bytes{1, 0, 1};
        QTest::newRow("last line without LF") << " 9 \r"s << 1 << Bytes{9};
        QTest::newRow("last line without end") << " 1 \r\n 5 "s << 1 << Bytes{1, 5};
        QTest::newRow("padded digits") << " 007 \r\n 010 \r\n"s << 1 << Bytes{7, 10};
        QTest::newRow("NUL line") << "\0\r\n1\r\n"s << 1 << Bytes{0, 1};
        QTest::newRow("1 MB line") << " 7" + std::string(1 << 20, ' ') + "\r\n 1 \r\n"
                                   << 820 << Bytes{7, 1, 0};
    }
    void readShapes() {
        QFETCH(std::string, text);
        QFETCH(int, frames);
        QFETCH(Bytes, leading);
        const auto r = LedFormat::read(text);
        QVERIFY(r.ok());
        QCOMPARE(r.frameCount, frames);
        QCOMPARE(r.frames.size(), std::size_t(frames) * 256);
        QVERIFY(std::equal(leading.begin(), leading.end(), r.frames.begin()));
        QCOMPARE(std::count(r.frames.begin() + qsizetype(leading.size()), r.frames.end(), 0),
                 qsizetype(r.frames.size() - leading.size()));
    }

    void readFailures_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<ReadError>("error");
        QTest::addColumn<int>("line");

        const std::string frame = LedFormat::write(Bytes(256, 0));
        auto withLine = [&](std::size_t index, std::string_view replacement) {
            std::string t = frame;
            t.replace(index * 5, replacement.size(), replacement);
            return t;
        };
        QTest::newRow("empty") << std::string() << ReadError::Empty << 0;
        QTest::newRow("256") << withLine(5, "256") << ReadError::ValueOutOfRange << 5;
        QTest::newRow("-1") << withLine(200, "-1 ") << ReadError::ValueOutOfRange << 200;
        QTest::newRow("written 300")
            << withLine(3, " 300 \r\n").substr(0, 1280) << ReadError::ValueOutOfRange << 3;
        QTest::newRow("short lines") << repeat("\r", 1280) << ReadError::TooManyLines << 256;
        QTest::newRow("one line too many")
            << frame + repeat("\r", 257) << ReadError::TooManyLines << 512;
        QTest::newRow("too large")
            << std::string(std::size_t{32767} * 1280 + 1, '\r') << ReadError::TooLarge << 0;
    }
    void readFailures() {
        QFETCH(std::string, text);
        QFETCH(ReadError, error);
        QFETCH(int, line);
        const auto r = LedFormat::read(text);
        QCOMPARE(r.error, error);
        QCOMPARE(r.failedLine, std::size_t(line));
        QVERIFY(r.frames.empty());
        QCOMPARE(r.frameCount, 0);
    }

    void largestFileReads() {
        const auto r = LedFormat::read(repeat(" 0 \r\n", std::size_t{32767} * 256));
        QVERIFY(r.ok());
        QCOMPARE(r.frameCount, 32767);
    }

    // Random text of the characters that matter, read against the plain line rules.
    void readMatchesLineRules() {
        static constexpr std::string_view alphabet = "  \r\r\r\n\n\t0123456789.-+Ee&Hh;x";
        std::mt19937 rng(7);
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
        std::uniform_int_distribution<std::size_t> length(0, 3000);
        const std::array<std::string_view, 4> pieces{" 1 \r\n", " 0 \r\n", " 12 \r\n", " 300 \r\n"};
        for (int round = 0; round < 2000; ++round) {
            std::string text;
            const std::size_t n = length(rng);
            while (text.size() < n) {
                if (rng() % 3 == 0)
                    text += alphabet[pick(rng)];
                else
                    text += pieces[rng() % (round % 2 ? 2 : 4)];
            }
            const auto got = LedFormat::read(text);
            const auto want = referenceRead(text);
            QCOMPARE(got.error, want.error);
            QCOMPARE(got.failedLine, want.failedLine);
            QCOMPARE(got.frameCount, want.frameCount);
            QVERIFY(got.frames == want.frames);
        }
    }
};

QTEST_APPLESS_MAIN(TestLedFormat)
#include "test_led_format.moc"
