// The C header as an AVR compiler reads it: every layout, with and without
// PROGMEM, through avr/pgmspace.h. Reports itself as skipped without avr-gcc.
#include "frames/FrameStore.h"
#include "pictures/CSourceExport.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(CHeaderLayout)

class CHeaderAvrTest : public QObject {
    Q_OBJECT
private slots:
    void compilesForAnAtmega328p_data() {
        QTest::addColumn<CHeaderLayout>("layout");
        QTest::addColumn<bool>("levels");
        using Scan = CHeaderLayout::Scan;
        using Order = CHeaderLayout::BitOrder;
        for (Scan scan : {Scan::Rows, Scan::Columns})
            for (Order order : {Order::LsbFirst, Order::MsbFirst})
                for (bool progmem : {false, true})
                    QTest::addRow("%s, %s, %s", scan == Scan::Rows ? "rows" : "columns",
                                  order == Order::LsbFirst ? "lsb first" : "msb first",
                                  progmem ? "PROGMEM and delays" : "RAM")
                        << CHeaderLayout{order, scan, progmem, progmem} << false;
        for (auto levels : {CHeaderLayout::Levels::Planes, CHeaderLayout::Levels::Bytes})
            QTest::addRow("levels as %s, PROGMEM and delays",
                          levels == CHeaderLayout::Levels::Planes ? "planes" : "bytes")
                << CHeaderLayout{Order::LsbFirst, Scan::Rows, true, true, levels} << true;
    }
    void compilesForAnAtmega328p() {
        QFETCH(CHeaderLayout, layout);
        QFETCH(bool, levels);
        const QString compiler = QStandardPaths::findExecutable(QStringLiteral("avr-gcc"));
        if (compiler.isEmpty())
            QSKIP("skipped: avr-gcc is not installed (Debian packages gcc-avr, avr-libc)");
        const std::vector<std::uint8_t> frames(
            FrameStore::sizeFor(2), levels ? FrameStore::cellForLevel(9) : FrameStore::Lit);
        const bool planes = levels && layout.levels == CHeaderLayout::Levels::Planes;
        const bool bytes = levels ? !planes : layout.bitOrder == CHeaderLayout::BitOrder::MsbFirst;
        const QByteArray read =
            layout.progmem ? (bytes ? "pgm_read_byte" : "pgm_read_word") : QByteArray("*");
        QTemporaryDir dir;
        QFile header(dir.filePath(QStringLiteral("anim.h")));
        QFile main(dir.filePath(QStringLiteral("main.c")));
        QVERIFY(header.open(QIODevice::WriteOnly) && main.open(QIODevice::WriteOnly));
        header.write(CSourceExport::header({frames, 2, 1, 301, levels}, layout));
        main.write("#include \"anim.h\"\nvolatile uint16_t sink;\nint main(void) {\n    sink = " +
                   read + (planes ? "(&frames[1][1][1])" : "(&frames[1][1])") +
                   (layout.delays ? " + pgm_read_word(&frame_delays_ms[1])" : "") +
                   " + QUENTARO_PLAY_MODE" + ";\n    return 0;\n}\n");
        header.close();
        main.close();
        QProcess compile;
        compile.setWorkingDirectory(dir.path());
        compile.start(compiler, {"-mmcu=atmega328p", "-std=c99", "-Os", "-Wall", "-Wextra",
                                 "-pedantic", "-Werror", "-fsyntax-only", "main.c"});
        QVERIFY(compile.waitForFinished(60'000));
        QVERIFY2(compile.exitCode() == 0, compile.readAllStandardError().constData());
    }
};

QTEST_APPLESS_MAIN(CHeaderAvrTest)
#include "test_c_header_avr.moc"
