#pragma once

#include <QString>
#include <string_view>

// Writing a whole file so that a save either lands completely or leaves the file
// on disk as it was.
//
// The usual route is an atomic replacement: the bytes go to a new file beside
// the target (".<name>.<random>.tmp"), written unbuffered with every result
// checked, synced with fsync, given the old file's owner, group and mode, and
// only then renamed over the target; the folder is synced afterwards. On any
// failure the temporary file is removed and the target is untouched (or, for a
// new name, never appears).
//
// Some files cannot be replaced without changing what they are, and are written
// in place instead, as a plain write would do:
//  - a file with more than one hard link, so that every name sees the new content;
//  - a file in a folder we may not write to (no temporary file can be made there);
//  - a file whose owner or group we may not give to a new file (only root may
//    give a file away), so that it keeps them.
// Writing in place cannot keep the old content if the write breaks off, so it
// first makes sure the write will not run out of room: a size over the file size
// limit is refused, and the blocks for the new size are reserved with fallocate
// (keeping the file's size; on file systems without fallocate the free space is
// checked instead). Only then are the old bytes overwritten from the start and
// the file cut to the new length. Overwriting rather than truncating first keeps
// the old blocks the file's own, so nothing can take the room in between. A
// failure that comes after the first byte changed is reported with fileChanged.
//
// A symbolic link is followed to its target; the link itself stays. A target
// that exists but is not a regular file (a directory, FIFO, device or socket) is
// refused without writing, and nothing is ever opened in a way that waits for a
// FIFO's reader. A file a plain write could not open (read-only, immutable, on a
// read-only file system) is refused too, even where the folder would allow a
// replacement.
//
// Extended attributes and ACL entries are not carried over to a replacement.
namespace SafeSave {

struct Result {
    bool ok = false;
    QString error;            // the system's reason when !ok, e.g. "No space left on device"
    bool fileChanged = false; // a failure came after the file on disk had changed
    explicit operator bool() const { return ok; }
};

// Writes `bytes` as the whole content of the file at `path`.
Result writeFile(const QString& path, std::string_view bytes);

} // namespace SafeSave
