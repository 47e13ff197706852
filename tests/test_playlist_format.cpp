#include "files/PlaylistFormat.h"

#include <QtTest>

Q_DECLARE_METATYPE(std::string)

using Lines = std::vector<std::string>;
using namespace std::string_literals;

namespace {

std::string numberedLines(int count, std::string_view end) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += "entry" + std::to_string(i) + std::string(end);
    return text;
}

} // namespace

class TestPlaylistFormat : public QObject {
    Q_OBJECT

private slots:
    void lines_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<Lines>("expected");

        QTest::newRow("empty file") << std::string() << Lines{};
        QTest::newRow("CR LF") << std::string("a\r\nb\r\nc") << Lines{"a", "b", "c"};
        QTest::newRow("final line end adds nothing")
            << std::string("a\r\nb\r\n") << Lines{"a", "b"};
        QTest::newRow("CR only") << std::string("a\rb\r") << Lines{"a", "b"};
        QTest::newRow("blanks kept") << std::string(" a \r\n\tb\t\r\n") << Lines{" a ", "\tb\t"};
        QTest::newRow("lone LF ends a line") << std::string("a\nb\r\n\n") << Lines{"a", "b", ""};
        QTest::newRow("LF") << std::string("a\nb\nc") << Lines{"a", "b", "c"};
        QTest::newRow("final LF adds nothing") << std::string("a\nb\n") << Lines{"a", "b"};
        QTest::newRow("empty lines by LF") << std::string("\n\nx\n") << Lines{"", "", "x"};
        QTest::newRow("one LF") << std::string("\n") << Lines{""};
        QTest::newRow("LF CR is two line ends") << std::string("a\n\rb") << Lines{"a", "", "b"};
        QTest::newRow("LF then CR LF") << std::string("a\n\r\nb") << Lines{"a", "", "b"};
        QTest::newRow("CR CR LF LF") << std::string("a\r\r\n\nb") << Lines{"a", "", "", "b"};
        QTest::newRow("mixed") << std::string("a\r\nb\nc\rd\n") << Lines{"a", "b", "c", "d"};
        QTest::newRow("blanks kept with LF")
            << std::string(" a \n\tb\t\n") << Lines{" a ", "\tb\t"};
        QTest::newRow("empty lines") << std::string("\r\n\r\nx\r\r\n") << Lines{"", "", "x", ""};
        QTest::newRow("one line end") << std::string("\r\n") << Lines{""};
        QTest::newRow("bytes unchanged") << "/tmp/мои файлы/anim 1\r\nC:\\shows\\a\0b"s
                                         << Lines{"/tmp/мои файлы/anim 1", "C:\\shows\\a\0b"s};
    }
    void lines() {
        QFETCH(std::string, text);
        QFETCH(Lines, expected);
        const auto lines = PlaylistFormat::read(text);
        QVERIFY(lines.has_value());
        QCOMPARE(*lines, expected);
    }

    void lineLimit_data() {
        QTest::addColumn<std::string>("text");
        QTest::addColumn<int>("count"); // 0: refused
        QTest::addColumn<std::string>("last");

        QTest::newRow("1001 lines") << numberedLines(1001, "\r\n") << 1001 << "entry1000"s;
        QTest::newRow("1000 lines and an unended one")
            << numberedLines(1000, "\r") + "last" << 1001 << "last"s;
        QTest::newRow("1001 lines and an unended one")
            << numberedLines(1001, "\r\n") + "last" << 0 << ""s;
        QTest::newRow("1002 lines") << numberedLines(1002, "\r\n") << 0 << ""s;
        QTest::newRow("1001 lines and an empty one") << numberedLines(1001, "\r\n") + "\r\n"
                                                     << 0 << ""s;
        QTest::newRow("1001 LF lines") << numberedLines(1001, "\n") << 1001 << "entry1000"s;
        QTest::newRow("1002 LF lines") << numberedLines(1002, "\n") << 0 << ""s;
        QTest::newRow("1000 LF lines and an unended one")
            << numberedLines(1000, "\n") + "last" << 1001 << "last"s;
        QTest::newRow("1001 LF lines and an empty one") << numberedLines(1001, "\n") + "\n"
                                                        << 0 << ""s;
        QTest::newRow("1001 mixed lines")
            << numberedLines(500, "\n") + numberedLines(501, "\r\n") << 1001 << "entry500"s;
    }
    void lineLimit() {
        QFETCH(std::string, text);
        QFETCH(int, count);
        QFETCH(std::string, last);
        const auto lines = PlaylistFormat::read(text);
        QCOMPARE(lines.has_value(), count > 0);
        if (lines) {
            QCOMPARE(int(lines->size()), count);
            QCOMPARE(lines->front(), "entry0"s);
            QCOMPARE(lines->back(), last);
        }
    }
};

QTEST_APPLESS_MAIN(TestPlaylistFormat)
#include "test_playlist_format.moc"
