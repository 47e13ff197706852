// The recovery copy of an unsaved animation: kept while there is unsaved work,
// offered at the next start after a crash or a close with unsaved work, and
// brought back as it was; each editor's copy is its own.
#include "support/FakeServices.h"

#include "editor/RecoveryCopy.h"
#include "files/AnimationFile.h"
#include "files/LedFormat.h"
#include "files/NativeFormat.h"
#include "frames/FrameTransforms.h"
#include "ui/RecoveryKeeper.h"

#include <QAbstractButton>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>
#include <climits>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

void toggle(EditorFixture& f, int cell) {
    const float x = float(cell % 16) * 240 + 120, y = float(cell / 16) * 240 + 120;
    f->mouseMove(0, 0, x, y);
    f->mouseUp(1, 0, x, y);
}

std::vector<std::uint8_t> drawnFrame() {
    std::vector<std::uint8_t> frame(256, 0);
    frame[17] = 1;
    return frame;
}

QByteArray ledBytes() {
    return QByteArray::fromStdString(LedFormat::write(drawnFrame()));
}

// Puts `bytes` in a file at `path`; "fifo" makes a FIFO, "sparse" a 2 GB file of nothing.
bool place(const QString& path, const QByteArray& bytes) {
    if (bytes == "fifo")
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           (bytes == "sparse" ? file.resize(qint64(2) << 30) : file.write(bytes) == bytes.size());
}

std::vector<RecoveryCopy::Found> offeredAtStart(const QString& state) {
    return RecoveryCopy(state).leftBehind([](const QString&) {});
}

// Answers each message box with the button named `answer` (closes it when it
// has none), and keeps what each said and whether Qt showed it as plain text.
struct BoxAnswers {
    explicit BoxAnswers(const QString& answer) {
        QObject::connect(&poll, &QTimer::timeout, [this, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->text();
            plain = plain &&
                    (box->textFormat() == Qt::PlainText ||
                     (box->textFormat() == Qt::AutoText && !Qt::mightBeRichText(texts.last())));
            for (QAbstractButton* button : box->buttons())
                if (button->text() == answer)
                    return button->click();
            box->done(0);
        });
        poll.start(5);
    }
    QStringList texts;
    bool plain = true;
    QTimer poll;
};

// A reader stuck on opening a FIFO is let go (it reads an empty file), so that
// such a wait fails the test rather than hanging it.
void letAFifoReaderGo(const QString& path) {
    std::thread([path = QFile::encodeName(path)] {
        for (int tries = 0; tries < 200; ++tries, ::usleep(10000))
            if (const int fd = ::open(path.constData(), O_WRONLY | O_NONBLOCK); fd >= 0)
                return void(::close(fd));
    }).detach();
}

} // namespace

class RecoveryTest : public QObject {
    Q_OBJECT
private slots:
    void copyFollowsTheUnsavedWork_data();
    void copyFollowsTheUnsavedWork();
    void startLeavesOthersAndOdditiesAlone_data();
    void startLeavesOthersAndOdditiesAlone();
    void offerAndRestoreInTheWindow_data();
    void offerAndRestoreInTheWindow();
};

void RecoveryTest::copyFollowsTheUnsavedWork_data() {
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("kept"); // the copy's name in the state folder
    const QString led = "recovery.led", none;
    QTest::newRow("nothing drawn") << QStringList{"copy"} << false << none;
    QTest::newRow("drawn, then killed") << QStringList{"draw", "copy"} << true << led;
    QTest::newRow("a second frame drawn, then killed")
        << QStringList{"add", "draw", "copy"} << true << led;
    QTest::newRow("drawn and saved")
        << QStringList{"draw", "copy", "save", "copy"} << false << none;
    QTest::newRow("saved, then undone")
        << QStringList{"draw", "save", "undo", "copy"} << true << led;
    QTest::newRow("a file loaded over the drawing")
        << QStringList{"draw", "copy", "load", "copy"} << false << none;
    QTest::newRow("drawn after a load") << QStringList{"load", "draw", "copy"} << true << led;
    QTest::newRow("closed with nothing unsaved")
        << QStringList{"draw", "copy", "save", "close"} << false << none;
    QTest::newRow("closed with unsaved work: kept aside, not offered")
        << QStringList{"draw", "copy", "close"} << false << "recovery-closed-*.led";
    QTest::newRow("hold times: the program's own format")
        << QStringList{"hold", "copy"} << true << "recovery.qanim";
    QTest::newRow("hold times taken off again: a .led")
        << QStringList{"hold", "copy", "unhold", "draw", "copy"} << true << led;
    QTest::newRow("hold times saved as .led: still unsaved")
        << QStringList{"hold", "copy", "save", "copy"} << true << "recovery.qanim";
    QTest::newRow("recorded while playing, then closed")
        << QStringList{"play", "record", "close"} << false << "recovery-closed-*.qanim";
}

void RecoveryTest::copyFollowsTheUnsavedWork() {
    QFETCH(QStringList, steps);
    QFETCH(bool, offered);
    QFETCH(QString, kept);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.led"));
    QVERIFY(AnimationFile::save(file, std::vector<std::uint8_t>(256, 1)).ok);
    const QString state = dir.filePath(QStringLiteral("state"));
    std::optional<RecoveryCopy> copy(state);
    EditorFixture f;
    for (const QString& step : steps) {
        if (step == "add") {
            f->click(Control::AddImage);
        } else if (step == "draw") {
            toggle(f, 17);
        } else if (step == "copy") {
            QCOMPARE(copy->update(*f), QString());
        } else if (step == "save") {
            f.dialog.answer(file);
            f->click(Control::SaveFile);
        } else if (step == "load") {
            f.dialog.answer(file);
            f->click(Control::LoadFile);
        } else if (step == "undo") {
            f->undo();
        } else if (step == "hold" || step == "unhold") {
            QCOMPARE(f->setHoldTimes({1}, step == "hold" ? 500 : 0), QString());
        } else if (step == "play") {
            f->click(Control::StartStop);
        } else if (step == "record") {
            const std::vector<FrameTransforms::Frame> take(2, FrameTransforms::Frame{1});
            QCOMPARE(f->recordFrames(take, {100, 200}, false), QString());
        } else if (step == "close") {
            f->close();
            QCOMPARE(f->animation().imageCount(), 1 + int(steps.contains("record")) * 2);
            QCOMPARE(copy->closeCleanly(*f), QString());
        }
    }
    // The editor is gone (closed, or killed when it was not): a new one brings its drawing back.
    copy.reset();
    const std::vector<RecoveryCopy::Found> offers = offeredAtStart(state);
    QCOMPARE(offers.size(), std::size_t(offered));
    const QStringList copies =
        QDir(state).entryList({"recovery*.led", "recovery*.qanim"}, QDir::Files);
    QCOMPARE(copies.size(), kept.isEmpty() ? 0 : 1);
    if (kept.isEmpty())
        return;
    QVERIFY2(QDir::match(kept, copies.front()), qPrintable(copies.front()));
    EditorFixture next;
    if (offered) {
        const RecoveryCopy::Found* found = &offers.front();
        QVERIFY(!found->closedWithUnsavedWork);
        QCOMPARE(next->restoreAnimation(found->animationPath, found->caption), QString());
        QCOMPARE(next.panel().caption, f.panel().caption);
        QVERIFY(next->hasUnsavedChanges());
    } else {
        QCOMPARE(next->openAnimation(state + "/" + copies.front()), QString());
    }
    QCOMPARE(next->animation().frames(), f->animation().frames());
    QCOMPARE(next->nativeAnimation(), f->nativeAnimation()); // hold times and all
}

// A new session finds a copy another editor holds, or one the state folder
// holds in an odd way; its own copy, from the first change to a clean close,
// leaves that one as it was.
void RecoveryTest::startLeavesOthersAndOdditiesAlone_data() {
    QTest::addColumn<QString>("arrange");
    QTest::addColumn<QByteArray>("note");
    QTest::addColumn<bool>("offered");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("refused");
    const QByteArray note = R"({"caption": "drawing", "cleanEnd": false})";
    QTest::newRow("left by an editor that is gone")
        << "lock gone" << note << true << "drawing" << false;
    QTest::newRow("held by another editor here") << "lock here" << note << false << "" << false;
    QTest::newRow("held on another machine") << "lock elsewhere" << note << false << "" << false;
    QTest::newRow("note a FIFO") << "" << QByteArray("fifo") << true << "" << true;
    QTest::newRow("note over 64 KB") << "" << note + QByteArray(70000, ' ') << true << "" << true;
    QTest::newRow("note damaged") << "" << note.left(20) << true << "" << true;
    QTest::newRow("note a symbolic link") << "note a link" << note << true << "" << true;
    QTest::newRow("cleanEnd a string")
        << "" << QByteArray(note).replace("false", "\"false\"") << true << "drawing" << false;
    QTest::newRow("fields of the wrong types")
        << "" << QByteArray(R"({"caption": 7, "savedAt": [], "cleanEnd": 0})") << true << ""
        << false;
    QTest::newRow("copy a symbolic link") << "copy a link" << note << false << "" << true;
}

void RecoveryTest::startLeavesOthersAndOdditiesAlone() {
    QFETCH(QString, arrange);
    QFETCH(QByteArray, note);
    QFETCH(bool, offered);
    QFETCH(QString, caption);
    QFETCH(bool, refused);
    QTemporaryDir dir;
    const QString state = dir.filePath("state"), led = state + "/recovery.led",
                  json = state + "/recovery.json";
    const QString copyAt = arrange == "copy a link" ? dir.filePath("elsewhere.led") : led;
    const QString noteAt = arrange == "note a link" ? dir.filePath("elsewhere.json") : json;
    QVERIFY(QDir().mkpath(state) && place(copyAt, ledBytes()) && place(noteAt, note));
    QVERIFY((copyAt == led || QFile::link(copyAt, led)) &&
            (noteAt == json || QFile::link(noteAt, json)));
    if (note == "fifo")
        letAFifoReaderGo(json);
    QLockFile held(state + "/recovery.lock");
    QVERIFY(arrange != "lock here" || held.tryLock(0));
    const QByteArray host = arrange == "lock gone" ? QSysInfo::machineHostName().toUtf8() + "\n"
                                                   : "another-pc\nanother-id\n\n";
    QVERIFY(!arrange.startsWith("lock ") || arrange == "lock here" ||
            place(state + "/recovery.lock", QByteArray::number(INT_MAX) + "\nquentaro\n" + host));

    QStringList lines;
    RecoveryCopy next(state);
    const std::vector<RecoveryCopy::Found> found =
        next.leftBehind([&](const QString& line) { lines << line; });
    QCOMPARE(found.size(), std::size_t(offered));
    QCOMPARE(!lines.isEmpty(), refused);
    if (offered) {
        QCOMPARE(found.front().caption, caption);
        next.keep(found.front());
    }
    EditorFixture f;
    toggle(f, 40);
    QCOMPARE(next.update(*f), QString());
    f.dialog.answer(dir.filePath("saved.led"));
    f->click(Control::SaveFile);
    QCOMPARE(next.update(*f), QString());
    QCOMPARE(next.closeCleanly(*f), QString());
    QCOMPARE(AnimationFile::load(copyAt)->frames, drawnFrame());
}

// The copy is offered in a box that shows the caption as it is; a copy that
// does not load is said in a second box and kept aside, past the clean close.
void RecoveryTest::offerAndRestoreInTheWindow_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("copy");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("offer");
    QTest::addColumn<QString>("failure");
    const QString crash = "ended without closing", closed = "closed with unsaved changes";
    const QString led = "recovery.led";
    const QByteArray native =
        QByteArray::fromStdString(NativeFormat::write(NativeFormat::fromLedStore(drawnFrame())));
    QTest::newRow("crash, restored") << led << ledBytes() << false << "&Restore" << crash << "";
    QTest::newRow("closed unsaved by an earlier version, restored")
        << led << ledBytes() << true << "&Restore" << closed << "";
    QTest::newRow("the program's own format")
        << "recovery.qanim" << native << false << "&Restore" << crash << "";
    QTest::newRow("the program's own format named .led by an earlier version")
        << led << native << false << "&Restore" << crash << "";
    QTest::newRow("discarded") << led << ledBytes() << false << "&Discard" << crash << "";
    QTest::newRow("empty") << led << QByteArray() << false << "&Restore" << crash
                           << "the file is empty";
    QTest::newRow("damaged") << "recovery.qanim" << QByteArray(" 300 \r\n") << true << "&Restore"
                             << closed << "out of range";
    QTest::newRow("2 GB sparse") << led << QByteArray("sparse") << false << "&Restore" << crash
                                 << "too long";
    QTest::newRow("FIFO") << led << QByteArray("fifo") << false << "&Restore" << crash
                          << "not a regular file";
}

void RecoveryTest::offerAndRestoreInTheWindow() {
    QFETCH(QString, name);
    QFETCH(QByteArray, copy);
    QFETCH(bool, closed);
    QFETCH(QString, answer);
    QFETCH(QString, offer);
    QFETCH(QString, failure);
    QTemporaryDir dir;
    const QString state = dir.filePath("state");
    const QString caption = "<img src='nothing-here.png'> drawing";
    const QJsonObject note{{"caption", caption}, {"cleanEnd", closed}};
    QVERIFY(QDir().mkpath(state) && place(state + "/" + name, copy) &&
            place(state + "/recovery.json", QJsonDocument(note).toJson()));

    BoxAnswers boxes(answer);
    EditorFixture f;
    const bool restored = answer == "&Restore" && failure.isEmpty();
    {
        RecoveryKeeper keeper(
            *f, [](const QString&) {}, RecoveryCopy(state));
        QCOMPARE(keeper.offerRestore(nullptr), restored);
        QCOMPARE(boxes.texts.size(), failure.isEmpty() ? 1 : 2);
        QVERIFY(boxes.texts[0].contains(offer) && boxes.texts[0].contains(caption));
        QVERIFY(failure.isEmpty() || boxes.texts[1].contains(failure));
        QVERIFY(boxes.plain);
        keeper.closeCleanly();
    }
    const QStringList aside = QDir(state).entryList(
        {"recovery-failed-*.led", "recovery-failed-*.qanim"}, QDir::AllEntries | QDir::System);
    QCOMPARE(aside.size(), failure.isEmpty() ? 0 : 1);
    // The restored work, unsaved at the close, is kept but not offered again.
    QCOMPARE(offeredAtStart(state).size(), std::size_t(0));
    const QStringList closedCopies = QDir(state).entryList({"recovery-closed-*.led"});
    QCOMPARE(closedCopies.size(), int(restored));
    if (restored) {
        QCOMPARE(f.frame(1), drawnFrame());
        QCOMPARE(f.panel().caption, caption);
        QCOMPARE(AnimationFile::load(state + "/" + closedCopies.front())->frames, drawnFrame());
    }
}

QTEST_MAIN(RecoveryTest)
#include "test_recovery.moc"
