#pragma once

#include <array>
#include <span>
#include <string>

// The slideshow: the playlist read last, the entry that plays, and whether a
// show drives the animation. Names are the bytes the playlist gave, unchanged.
//
// What it keeps: at most Capacity entries are counted, and the file name is
// the entry chosen last with ".led" (empty before the first). The position is
// stepped by the handlers; chooseEntry() refuses one outside the capacity.
class Slideshow {
public:
    static constexpr int Capacity = 1001;
    using Entries = std::array<std::string, Capacity>;

    bool on() const { return on_; }
    void setOn(bool on) { on_ = on; }

    const Entries& playlist() const { return playlist_; }
    const std::string& path() const { return path_; }
    int count() const { return count_; }
    int position() const { return position_; }
    const std::string& fileName() const { return fileName_; }

    // The lines of the playlist file at `path`, from its first entry on. Places
    // after the last line keep what an earlier playlist left there.
    void take(std::span<const std::string> lines, std::string path);
    void setPosition(int position) { position_ = position; }
    void advance() { position_ = position_ + 1; }
    // At the last line, or in a playlist of one line, the show starts over: a
    // playlist of n lines plays its first n - 1 entries (it ends with an empty
    // line), one of a single line plays that entry over and over.
    void wrapAtEnd();
    // Makes the entry at the position, with ".led", the file to load next;
    // false, with nothing changed, when the position lies outside the playlist.
    bool chooseEntry();

    // Everything but the file name, to put back after a show that failed to start.
    struct Saved {
        Entries playlist;
        std::string path;
        int count = 0;
        int position = 0;
        bool on = false;
    };
    Saved saved() const { return {playlist_, path_, count_, position_, on_}; }
    void restore(Saved saved);

private:
    bool on_ = false;
    Entries playlist_{};
    std::string path_;
    int count_ = 0;
    int position_ = 0;
    std::string fileName_; // the entry being played, with ".led"
};
