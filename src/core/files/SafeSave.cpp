#include "files/SafeSave.h"

#include "files/FilePath.h"

#include <QCoreApplication>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <utility>

namespace SafeSave {

namespace {

constexpr int MaxLinkHops = 40; // the kernel's own limit for one path
constexpr int TempNameTries = 100;
constexpr qsizetype MaxTempStem = 200; // keeps the temporary name within NAME_MAX

Result success() {
    return {true, {}, false};
}
Result failure(int errorCode, bool fileChanged = false) {
    return {false, qt_error_string(errorCode), fileChanged};
}

// Owns a file descriptor; close() reports the close's own error, where some
// file systems (NFS) report a failed write.
class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
};

// Removes a temporary file unless it was renamed into place.
class TempFile {
public:
    explicit TempFile(QByteArray path) : path_(std::move(path)) {}
    ~TempFile() {
        if (!path_.isEmpty())
            ::unlink(path_.constData());
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* path() const { return path_.constData(); }
    void keep() { path_.clear(); }

private:
    QByteArray path_;
};

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return ".";
    return slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray nameOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

struct Target {
    QByteArray path; // with every symbolic link followed
    bool exists = false;
    struct stat st {};
};

// Follows `path` through symbolic links to the file a plain open would reach.
// Returns 0 or the errno that stops the walk.
int resolve(const QByteArray& path, Target& target) {
    QByteArray current = path;
    for (int hop = 0;; ++hop) {
        struct stat st {};
        if (::lstat(current.constData(), &st) != 0) {
            if (errno != ENOENT)
                return errno;
            target = {current, false, {}};
            return 0;
        }
        if (!S_ISLNK(st.st_mode)) {
            target = {current, true, st};
            return 0;
        }
        if (hop == MaxLinkHops)
            return ELOOP;
        QByteArray link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(current.constData(), link.data(), link.size());
        if (length < 0)
            return errno;
        if (length == link.size())
            return ENAMETOOLONG;
        link.truncate(length);
        current = link.startsWith('/') ? link : folderOf(current) + '/' + link;
    }
}

Result notARegularFile(const struct stat& st) {
    if (S_ISDIR(st.st_mode))
        return failure(EISDIR);
    return {false, QCoreApplication::translate("SafeSave", "Not a regular file"), false};
}

// Writes all of `bytes` from the start of the file. On failure errno tells why
// and `written` how much had gone out.
bool writeAll(int fd, std::string_view bytes, std::size_t& written) {
    written = 0;
    while (written < bytes.size()) {
        const ssize_t n =
            ::pwrite(fd, bytes.data() + written, bytes.size() - written, off_t(written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        written += std::size_t(n);
    }
    return true;
}

// Makes sure `size` bytes fit in the open file before any of them is written.
// Returns 0 or the errno that says they would not.
int reserveSpace(int fd, const struct stat& st, std::size_t size) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        size > limit.rlim_cur)
        return EFBIG;
    if (size == 0 || ::fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, off_t(size)) == 0)
        return 0;
    if (errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    struct statvfs fs {};
    if (::fstatvfs(fd, &fs) != 0)
        return 0;
    const std::uint64_t held = std::uint64_t(st.st_blocks) * 512;
    const std::uint64_t free = std::uint64_t(fs.f_bavail) * fs.f_frsize;
    return size > held && size - held > free ? ENOSPC : 0;
}

Result writeInPlace(Fd& file, const struct stat& st, std::string_view bytes) {
    if (const int error = reserveSpace(file.get(), st, bytes.size()))
        return failure(error);
    std::size_t written = 0;
    if (!writeAll(file.get(), bytes, written))
        return failure(errno, written > 0);
    if (::ftruncate(file.get(), off_t(bytes.size())) != 0 || ::fsync(file.get()) != 0 ||
        !file.close())
        return failure(errno, true);
    return success();
}

QByteArray randomSuffix() {
    static constexpr char Alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QByteArray suffix(6, '\0');
    for (char& c : suffix)
        c = Alphabet[QRandomGenerator::global()->bounded(int(sizeof Alphabet) - 1)];
    return suffix;
}

// Creates a new file beside `target`; `mode` goes through the umask as usual.
int createTemp(const QByteArray& target, mode_t mode, QByteArray& tempPath) {
    const QByteArray stem = folderOf(target) + "/." + nameOf(target).left(MaxTempStem) + '.';
    for (int attempt = 0; attempt < TempNameTries; ++attempt) {
        tempPath = stem + randomSuffix() + ".tmp";
        const int fd =
            ::open(tempPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Returns 0 or the errno of the failed fchown.
int takeOwner(int fd, const struct stat& old) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return errno;
    if (st.st_uid == old.st_uid && st.st_gid == old.st_gid)
        return 0;
    return ::fchown(fd, old.st_uid, old.st_gid) == 0 ? 0 : errno;
}

// Makes a rename in `folder` durable. A folder we may not open for reading, or
// a file system that cannot sync folders, leaves it to the kernel.
int syncFolder(const QByteArray& folder) {
    Fd dir(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid() || ::fsync(dir.get()) == 0 || errno == EINVAL || errno == EROFS)
        return 0;
    return errno;
}

struct Attempt {
    Result result;
    bool inPlaceInstead = false; // a replacement cannot be made or would not keep the owner
};

Attempt inPlaceInstead() {
    return {{}, true};
}

// `old` is the file being replaced, or null for a new name.
Attempt replaceAtomically(const QByteArray& path, const struct stat* old, std::string_view bytes) {
    QByteArray tempPath;
    Fd temp(createTemp(path, old ? 0600 : 0666, tempPath));
    if (!temp.valid()) {
        if (old && (errno == EACCES || errno == EPERM))
            return inPlaceInstead();
        return {failure(errno)};
    }
    TempFile guard(tempPath);
    if (old) {
        const int error = takeOwner(temp.get(), *old);
        if (error == EPERM)
            return inPlaceInstead();
        if (error)
            return {failure(error)};
    }
    std::size_t written = 0;
    if (!writeAll(temp.get(), bytes, written))
        return {failure(errno)};
    // The mode goes on after writing: a write without CAP_FSETID clears set-group-ID.
    if (old && ::fchmod(temp.get(), old->st_mode & 07777) != 0)
        return {failure(errno)};
    if (::fsync(temp.get()) != 0 || !temp.close())
        return {failure(errno)};
    if (::rename(guard.path(), path.constData()) != 0)
        return {failure(errno)};
    guard.keep();
    if (const int error = syncFolder(folderOf(path)))
        return {failure(error, true)};
    return {success()};
}

} // namespace

Result writeFile(const QString& path, std::string_view bytes) {
    if (path.isEmpty())
        return failure(ENOENT);
    Target target;
    if (const int error = resolve(FilePath::toBytes(path), target))
        return failure(error);
    if (!target.exists)
        return replaceAtomically(target.path, nullptr, bytes).result;
    if (!S_ISREG(target.st.st_mode))
        return notARegularFile(target.st);

    // Opening for writing proves a plain write would be allowed, and holds the
    // file for writing in place. O_NONBLOCK: should the name have become a FIFO
    // meanwhile, the open fails at once instead of waiting for a reader.
    Fd file(::open(target.path.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    if (!file.valid() || ::fstat(file.get(), &st) != 0)
        return failure(errno);
    if (!S_ISREG(st.st_mode))
        return notARegularFile(st);
    if (st.st_nlink > 1)
        return writeInPlace(file, st, bytes);
    const Attempt attempt = replaceAtomically(target.path, &st, bytes);
    return attempt.inPlaceInstead ? writeInPlace(file, st, bytes) : attempt.result;
}

} // namespace SafeSave
