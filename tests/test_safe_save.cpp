#include "files/AnimationFile.h"
#include "files/LedFormat.h"
#include "files/SafeSave.h"
#include "support/ChildProcess.h"

#include <QtTest>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <optional>

// Every save runs in a forked child: a save that blocks is killed by an alarm
// instead of hanging the suite, and limits, umask and dropped privileges stay
// inside the child.
namespace {

using Frames = std::vector<std::uint8_t>;
using SetUp = std::function<void()>;

constexpr uid_t Nobody = 65534;
constexpr unsigned ChildSeconds = 10;

Frames makeFrames(int count, int seed) {
    Frames frames(std::size_t(count) * 256);
    for (std::size_t i = 0; i < frames.size(); ++i)
        frames[i] = (i * 7 + std::size_t(seed)) % 5 == 0 ? 1 : 0;
    return frames;
}

QByteArray ledText(const Frames& frames) {
    const std::string text = LedFormat::write(frames);
    return QByteArray(text.data(), qsizetype(text.size()));
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entries(const QString& dir) {
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

struct stat statOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        st.st_mode = 0;
    return st;
}

QString readLink(const QString& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer, sizeof buffer);
    return n < 0 ? QString() : QFile::decodeName(QByteArray(buffer, n));
}

bool isRoot() {
    return ::geteuid() == 0;
}

struct Outcome {
    bool finished = false; // the child returned from the save in time
    bool ok = false;
    QString error;
};

Outcome saveInChild(const QString& path, const Frames& frames, const SetUp& setUp = {}) {
    const std::optional<QByteArray> report = runInChild(
        [&] {
            if (setUp)
                setUp();
            const SafeSave::Result result = AnimationFile::save(path, frames);
            return (result.ok ? "1" : "0") + result.error.toUtf8();
        },
        ChildSeconds);
    if (!report)
        return {};
    return {true, report->startsWith('1'), QString::fromUtf8(report->mid(1))};
}

// Child set-ups.
void dropPrivileges() {
    if (!isRoot())
        return;
    if (::setgroups(0, nullptr) != 0 || ::setresgid(Nobody, Nobody, Nobody) != 0 ||
        ::setresuid(Nobody, Nobody, Nobody) != 0)
        ::_exit(3);
}

SetUp limitFileSize(rlim_t bytes) {
    return [bytes] {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = bytes;
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(3);
    };
}

// A 16 KiB tmpfs mounted over `dir` for as long as this object lives.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& dir) : dir_(QFile::encodeName(dir)) {
        mounted_ =
            ::mount("tmpfs", dir_.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=16k") == 0;
        if (!mounted_)
            reason_ = QString::fromLocal8Bit(std::strerror(errno));
    }
    ~SmallFileSystem() {
        if (mounted_)
            ::umount2(dir_.constData(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return mounted_; }
    QString reason() const { return reason_; }

    // Takes every free block; true when the file system ended up full.
    bool fill() const {
        const QByteArray path = dir_ + "/filler";
        const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0)
            return false;
        const QByteArray block(4096, 'f');
        while (::write(fd, block.constData(), std::size_t(block.size())) > 0) {
        }
        const bool full = errno == ENOSPC;
        ::close(fd);
        return full;
    }

private:
    QByteArray dir_;
    bool mounted_ = false;
    QString reason_;
};

} // namespace

class TestSafeSave : public QObject {
    Q_OBJECT

private slots:
    void fullDisk_data() {
        QTest::addColumn<bool>("tmpfs");
        QTest::addColumn<int>("frameCount");
        QTest::addColumn<QString>("target"); // "new", "file" or "linked"

        for (const bool tmpfs : {false, true}) {
            for (const int count : {3, 12, 20}) {
                for (const QString target : {"new", "file", "linked"}) {
                    // Three frames fit in the block a two-frame file already holds,
                    // so an in-place write needs no new space and succeeds.
                    if (tmpfs && count == 3 && target == "linked")
                        continue;
                    const QString name = QStringLiteral("%1, %2 frames, %3")
                                             .arg(tmpfs ? "full tmpfs" : "file size limit")
                                             .arg(count)
                                             .arg(target);
                    QTest::newRow(qPrintable(name)) << tmpfs << count << target;
                }
            }
        }
    }
    void fullDisk() {
        QFETCH(bool, tmpfs);
        QFETCH(int, frameCount);
        QFETCH(QString, target);

        QTemporaryDir tmp;
        const QString dir = tmp.filePath("fs");
        QVERIFY(QDir().mkdir(dir));
        std::optional<SmallFileSystem> fs;
        if (tmpfs) {
            if (!isRoot())
                QSKIP("mounting a tmpfs needs root; the file size limit rows cover this");
            fs.emplace(dir);
            if (!fs->mounted())
                QSKIP(qPrintable("cannot mount a tmpfs: " + fs->reason()));
        }
        const QString path = dir + "/anim.led";
        const QByteArray old = ledText(makeFrames(2, 1));
        if (target != "new")
            QVERIFY(writeAll(path, old));
        if (target == "linked")
            QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(dir + "/other.led")), 0);
        if (fs)
            QVERIFY(fs->fill());
        const QStringList before = entries(dir);

        const Outcome outcome =
            saveInChild(path, makeFrames(frameCount, 2), tmpfs ? SetUp() : limitFileSize(2048));

        QVERIFY(outcome.finished);
        QVERIFY(!outcome.ok);
        const QString reason = tmpfs ? QString::fromLocal8Bit(std::strerror(ENOSPC))
                                     : QString::fromLocal8Bit(std::strerror(EFBIG));
        QCOMPARE(outcome.error, reason);
        QCOMPARE(entries(dir), before);
        if (target == "new")
            QVERIFY(!QFile::exists(path));
        else
            QCOMPARE(readAll(path), old);
        if (target == "linked")
            QCOMPARE(readAll(dir + "/other.led"), old);
    }

    void savedBytes_data() {
        QTest::addColumn<int>("frameCount");
        QTest::addColumn<int>("oldFrames"); // -1: no file yet
        QTest::addColumn<bool>("linked");

        QTest::newRow("new, no frames") << 0 << -1 << false;
        QTest::newRow("new, 1 frame") << 1 << -1 << false;
        QTest::newRow("new, 50 frames") << 50 << -1 << false;
        QTest::newRow("over a longer file") << 3 << 20 << false;
        QTest::newRow("over a shorter file") << 20 << 3 << false;
        QTest::newRow("linked, over a longer file") << 3 << 20 << true;
        QTest::newRow("linked, over a shorter file") << 20 << 3 << true;
        QTest::newRow("linked, emptied") << 0 << 3 << true;
    }
    void savedBytes() {
        QFETCH(int, frameCount);
        QFETCH(int, oldFrames);
        QFETCH(bool, linked);

        QTemporaryDir tmp;
        const QString path = tmp.filePath("anim.led");
        const QString other = tmp.filePath("other.led");
        if (oldFrames >= 0)
            QVERIFY(writeAll(path, ledText(makeFrames(oldFrames, 1))));
        if (linked)
            QCOMPARE(::link(QFile::encodeName(path), QFile::encodeName(other)), 0);
        const ino_t oldInode = statOf(path).st_ino;
        const Frames frames = makeFrames(frameCount, 2);

        const Outcome outcome = saveInChild(path, frames);

        QVERIFY(outcome.finished);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(readAll(path), ledText(frames));
        if (linked) {
            // Written in place, so every name of the file sees the new content.
            QCOMPARE(readAll(other), ledText(frames));
            QCOMPARE(statOf(path).st_ino, oldInode);
            QCOMPARE(statOf(path).st_nlink, nlink_t(2));
        }
        const QStringList names =
            linked ? QStringList{"anim.led", "other.led"} : QStringList{"anim.led"};
        QCOMPARE(entries(tmp.path()), names);
    }

    void ownerAndMode_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("owner"); // -1: the test's own

        QTest::newRow("0640") << 0640 << -1;
        QTest::newRow("0600") << 0600 << -1;
        QTest::newRow("0664") << 0664 << -1;
        QTest::newRow("setgid 2750") << 02750 << -1;
        QTest::newRow("other owner, 0640") << 0640 << 1234;
        QTest::newRow("other owner, 0604") << 0604 << 4321;
    }
    void ownerAndMode() {
        QFETCH(int, mode);
        QFETCH(int, owner);
        if (owner >= 0 && !isRoot())
            QSKIP("giving a file to another user needs root");

        QTemporaryDir tmp;
        const QString path = tmp.filePath("anim.led");
        const QByteArray name = QFile::encodeName(path);
        QVERIFY(writeAll(path, ledText(makeFrames(2, 1))));
        if (owner >= 0)
            QCOMPARE(::chown(name.constData(), uid_t(owner), gid_t(owner + 1)), 0);
        QCOMPARE(::chmod(name.constData(), mode_t(mode)), 0);
        const struct stat before = statOf(path);
        const Frames frames = makeFrames(3, 2);

        const Outcome outcome = saveInChild(path, frames);

        QVERIFY(outcome.finished);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        const struct stat after = statOf(path);
        QCOMPARE(readAll(path), ledText(frames));
        QCOMPARE(after.st_uid, before.st_uid);
        QCOMPARE(after.st_gid, before.st_gid);
        QCOMPARE(after.st_mode & 07777, mode_t(mode));
        // A writable folder allows the atomic replacement, which makes a new file.
        QVERIFY(after.st_ino != before.st_ino);
        QCOMPARE(entries(tmp.path()), QStringList{"anim.led"});
    }

    void newFileMode_data() {
        QTest::addColumn<int>("umask");
        QTest::addColumn<int>("mode");

        QTest::newRow("umask 022") << 022 << 0644;
        QTest::newRow("umask 077") << 077 << 0600;
        QTest::newRow("umask 002") << 002 << 0664;
    }
    void newFileMode() {
        QFETCH(int, umask);
        QFETCH(int, mode);

        QTemporaryDir tmp;
        const QString path = tmp.filePath("anim.led");
        const Outcome outcome =
            saveInChild(path, makeFrames(1, 1), [umask] { ::umask(mode_t(umask)); });

        QVERIFY(outcome.finished);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(statOf(path).st_mode & 07777, mode_t(mode));
    }

    // Saves as a user without special rights: as root the child drops to nobody,
    // for whom the folder and the file are set up.
    void permissions_data() {
        QTest::addColumn<int>("dirMode");
        QTest::addColumn<int>("fileMode"); // -1: no file yet
        QTest::addColumn<bool>("saved");
        QTest::addColumn<bool>("replaced"); // a new file took the old one's place

        QTest::newRow("read-only folder, writable file") << 0555 << 0644 << true << false;
        QTest::newRow("read-only folder, read-only file") << 0555 << 0444 << false << false;
        QTest::newRow("read-only folder, new name") << 0555 << -1 << false << false;
        QTest::newRow("writable folder, read-only file") << 0755 << 0444 << false << false;
        QTest::newRow("writable folder, writable file") << 0755 << 0644 << true << true;
    }
    void permissions() {
        QFETCH(int, dirMode);
        QFETCH(int, fileMode);
        QFETCH(bool, saved);
        QFETCH(bool, replaced);

        QTemporaryDir tmp;
        // The unprivileged child has to reach the folder through the temporary one.
        QVERIFY(QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
        const QString dir = tmp.filePath("folder");
        const QString path = dir + "/anim.led";
        QVERIFY(QDir().mkdir(dir));
        const QByteArray old = fileMode >= 0 ? ledText(makeFrames(2, 1)) : QByteArray();
        if (fileMode >= 0) {
            QVERIFY(writeAll(path, old));
            if (isRoot())
                QCOMPARE(::chown(QFile::encodeName(path).constData(), Nobody, Nobody), 0);
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
        }
        if (isRoot())
            QCOMPARE(::chown(QFile::encodeName(dir).constData(), dirMode == 0555 ? 0 : Nobody,
                             dirMode == 0555 ? 0 : Nobody),
                     0);
        QCOMPARE(::chmod(QFile::encodeName(dir).constData(), mode_t(dirMode)), 0);
        const QStringList before = entries(dir);
        const ino_t oldInode = statOf(path).st_ino;
        const Frames frames = makeFrames(3, 2);

        const Outcome outcome = saveInChild(path, frames, dropPrivileges);
        ::chmod(QFile::encodeName(dir).constData(), 0755); // lets QTemporaryDir clean up

        QVERIFY2(outcome.finished, "the unprivileged child could not run the save");
        QCOMPARE(outcome.ok, saved);
        QCOMPARE(outcome.error.isEmpty(), saved);
        QCOMPARE(readAll(path), saved ? ledText(frames) : old);
        QCOMPARE(entries(dir), before);
        if (saved)
            QCOMPARE(statOf(path).st_ino != oldInode, replaced);
    }

    void symlinks_data() {
        // Where each link in the chain points, the last one at the file; "@" stands
        // for the temporary folder.
        QTest::addColumn<QStringList>("links");
        QTest::addColumn<bool>("targetExists");

        QTest::newRow("relative") << QStringList{"anim.led"} << true;
        QTest::newRow("into another folder") << QStringList{"sub/anim.led"} << true;
        QTest::newRow("absolute") << QStringList{"@/sub/anim.led"} << true;
        QTest::newRow("chain of two") << QStringList{"second.led", "sub/anim.led"} << true;
        QTest::newRow("dangling") << QStringList{"sub/anim.led"} << false;
    }
    void symlinks() {
        QFETCH(QStringList, links);
        QFETCH(bool, targetExists);

        QTemporaryDir tmp;
        QVERIFY(QDir(tmp.path()).mkdir("sub"));
        const QString link = tmp.filePath("link.led");
        const QString firstHop = QString(links.front()).replace('@', tmp.path());
        QString from = link;
        for (QString to : links) {
            to.replace('@', tmp.path());
            QCOMPARE(::symlink(QFile::encodeName(to), QFile::encodeName(from)), 0);
            from = QDir(QFileInfo(from).path()).filePath(to);
        }
        const QString target = from;
        if (targetExists)
            QVERIFY(writeAll(target, ledText(makeFrames(2, 1))));
        const QStringList topBefore = entries(tmp.path());
        const Frames frames = makeFrames(3, 2);

        const Outcome outcome = saveInChild(link, frames);

        QVERIFY(outcome.finished);
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QVERIFY(S_ISLNK(statOf(link).st_mode));
        QCOMPARE(readLink(link), firstHop);
        QCOMPARE(readAll(target), ledText(frames));
        QVERIFY(S_ISREG(statOf(target).st_mode));
        QCOMPARE(entries(tmp.path()), topBefore);
        QCOMPARE(entries(tmp.filePath("sub")),
                 target.contains("/sub/") ? QStringList{"anim.led"} : QStringList{});
    }

    void notAFile_data() {
        QTest::addColumn<QString>("kind");

        QTest::newRow("FIFO without a reader") << "fifo";
        QTest::newRow("FIFO with a reader") << "read fifo";
        QTest::newRow("link to a FIFO") << "link to fifo";
        QTest::newRow("directory") << "dir";
        QTest::newRow("link loop") << "loop";
    }
    void notAFile() {
        QFETCH(QString, kind);

        QTemporaryDir tmp;
        const QString path = tmp.filePath("anim.led");
        const QByteArray name = QFile::encodeName(path);
        const QByteArray fifo = QFile::encodeName(tmp.filePath("fifo"));
        int reader = -1;
        if (kind.contains("fifo"))
            QCOMPARE(::mkfifo(kind == "link to fifo" ? fifo.constData() : name.constData(), 0644),
                     0);
        if (kind == "read fifo")
            QVERIFY((reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK)) >= 0);
        if (kind == "link to fifo")
            QCOMPARE(::symlink("fifo", name.constData()), 0);
        if (kind == "dir")
            QCOMPARE(::mkdir(name.constData(), 0755), 0);
        if (kind == "loop")
            QCOMPARE(::symlink("anim.led", name.constData()), 0);
        const mode_t type = statOf(path).st_mode & S_IFMT;
        const QStringList before = entries(tmp.path());

        const Outcome outcome = saveInChild(path, makeFrames(3, 2));

        char byte;
        const bool nothingSent = reader < 0 || ::read(reader, &byte, 1) <= 0;
        if (reader >= 0)
            ::close(reader);
        QVERIFY2(outcome.finished, "the save blocked or died");
        QVERIFY(!outcome.ok);
        QVERIFY(!outcome.error.isEmpty());
        QVERIFY(nothingSent);
        QCOMPARE(statOf(path).st_mode & S_IFMT, type);
        QCOMPARE(entries(tmp.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestSafeSave)
#include "test_safe_save.moc"
