#pragma once

#include "editor/Controls.h"
#include "editor/EditorServices.h"
#include "editor/History.h"
#include "editor/OutputModes.h"
#include "editor/Panel.h"
#include "editor/WorkingValues.h"
#include "files/NativeFormat.h"
#include "frames/Animation.h"
#include "frames/FrameTransforms.h"
#include "frames/ToolStroke.h"
#include "playback/Playback.h"
#include "playback/Slideshow.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

// The editor without its window: every handler and procedure of the program,
// working on the state's owners below and showing its results on `panel()`.
// The window forwards clicks, mouse events, the tick and the close to it and
// draws the panel; the player drives it without any window.
class MatrixOutput;
class RefreshEngine;
class RefreshTiming;

class Editor {
public:
    explicit Editor(EditorServices services);
    ~Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // The state, each part with its owner. The names the handlers' scripts give it:
    //   Frames, ImageCount, CurrentImage, ClipFrame        animation()
    //   Playing, IntervalMs, Timer2                        playback()
    //   SlideshowOn, Playlist, PlaylistPath, PlaylistCount,
    //   PlaylistPos, FileName                              slideshow()
    //   LptOn, MatrixOff                                   outputModes()
    //   MouseCell, Cell, Counter, AllSet, FileLength,
    //   FileFrameCount                                     working(), the editor's own
    Animation& animation() { return animation_; }
    const Animation& animation() const { return animation_; }
    Playback& playback() { return playback_; }
    const Playback& playback() const { return playback_; }
    Slideshow& slideshow() { return slideshow_; }
    const Slideshow& slideshow() const { return slideshow_; }
    OutputModes& outputModes() { return outputModes_; }
    const OutputModes& outputModes() const { return outputModes_; }
    const WorkingValues& working() const { return work_; }

    const Panel& panel() const { return panel_; }
    // True once the program has ended: after a refused second start or after
    // Form_Unload. No handler runs and no port write goes out from then on.
    bool hasEnded() const { return ended_; }
    // Called after every handler that came in from outside (a click, a mouse
    // event, a tick), so that a view can redraw.
    void setAfterHandler(std::function<void()> afterHandler) {
        afterHandler_ = std::move(afterHandler);
    }

    // Entry points for a view: run the handler unless the program has ended.
    void click(Control control);
    void mouseMove(int button, int shift, float xTwips, float yTwips);
    void mouseUp(int button, int shift, float xTwips, float yTwips);
    void tick();
    void close();

    // Undo and redo of the changes made through click() and mouseUp(); nothing
    // while the animation plays.
    void undo();
    void redo();
    const History& history() const { return history_; }

    // Frames made from pictures, after the current image or in place of the
    // animation; one step of the history. On refusal the reason, nothing changed.
    // With `levels` the frames hold grey levels (FrameStore::cellForLevel): the
    // animation takes levels in the same step. `holdMs`, when given, has a hold
    // time (or 0) for each frame.
    QString importFrames(std::span<const FrameTransforms::Frame> frames, bool replace,
                         bool levels = false, std::vector<std::uint16_t> holdMs = {});
    // Frames recorded from a live input, each with its hold time, after the
    // current image; one step of the history. With `levels` they hold grey
    // levels and an on/off animation takes levels in the same step. A take
    // that comes while the animation plays waits and goes in when playback
    // stops, at the latest when the program ends.
    QString recordFrames(std::span<const FrameTransforms::Frame> frames,
                         std::vector<std::uint16_t> holdMs, bool levels);

    // Editing beyond the buttons: the drawing tools, text and the frame strip.
    // Each is one step of the history and reaches the board and the matrix; on
    // refusal (while the animation plays, or out of range) the reason, and
    // nothing changed. Images are counted from 1.
    // The current frame redrawn as `frame`; with `levels` its bytes are grey
    // levels (FrameStore::cellForLevel), and the animation takes levels in the
    // same step.
    QString drawFrame(const FrameTransforms::Frame& frame, bool levels = false);
    // Several images redrawn in one step: `frames[i]` becomes image `images[i]`
    // (each image listed once), the current one shown when it is among them.
    // With `levels` the bytes are grey levels and the animation takes levels in
    // the same step.
    QString drawFrames(std::vector<int> images, std::span<const FrameTransforms::Frame> frames,
                       bool levels = false);
    // Each image listed redrawn by `change` from what it holds, in one step.
    using Frame = FrameTransforms::Frame;
    QString changeFrames(std::vector<int> images, const std::function<Frame(const Frame&)>& change,
                         bool levels = false);
    // The Image group's button `control` on every image listed, in one step:
    // the flips, turns, shifts and Invert (by level in an animation with
    // levels), Set all or Clear all by turns as the button goes, and Paste.
    // None for the other buttons, which work on the image shown alone;
    // otherwise the refusal, empty when done.
    using FrameFn = FrameTransforms::Frame (*)(const FrameTransforms::Frame&);
    std::optional<QString> runOnImages(Control control, std::vector<int> images);
    // `frames[i]` drawn over image `first` + i in one step: its LEDs that are
    // not dark replace the image's, the others keep what the image has. Those
    // beyond the last image are put in after it; refused, with nothing changed,
    // when the animation would hold more than it can.
    QString drawOverFrames(int first, std::span<const Frame> frames, bool levels = false);
    // `frames` put in before image `before` (1 to one past the last); the first
    // of them is then shown.
    QString insertFrames(int before, std::span<const FrameTransforms::Frame> frames);
    // The same with a hold time for each frame (a copy keeps its original's).
    QString insertFrames(int before, std::span<const FrameTransforms::Frame> frames,
                         std::vector<std::uint16_t> holdMs) {
        return insertTimedFrames(before, frames, std::move(holdMs));
    }
    // A copy of image `image` put in after it, and shown.
    QString duplicateFrame(int image);
    // The images listed taken out; at least one image stays.
    QString deleteFrames(std::vector<int> images);
    // Image `from` moved so that it becomes image `to`, and shown there.
    QString moveFrame(int from, int to);
    // The images listed moved, side by side in their order, to where image
    // `before` (1 to one past the last) is now; the first of them is shown.
    QString moveFrames(std::vector<int> images, int before);
    // Shows image `image` through First, Previous, Next and Last image, as
    // the buttons would.
    void goToImage(int image);

    // Grey levels, hold times, the play mode and the name (AnimationExtras),
    // each change one step of the history, refused as the editing above is.
    // The grey level the drawing tools draw with, 0 (dark) to 15 (full light,
    // the start): a setting of the tools, no change to the animation.
    int drawLevel() const { return drawLevel_; }
    void setDrawLevel(int level);
    // What a ToolStroke on the current frame draws with.
    ToolStroke::Ink ink() const { return {drawLevel_, animation_.hasLevels()}; }
    // The stroke's picture as the current frame, as drawFrame(); a stroke that
    // draws a grey level into an on/off animation makes it take levels
    // (Animation::takeLevels) in the same step.
    QString drawStroke(const ToolStroke& stroke);
    // The hold time of each image listed: 0 (the speed rules) or 40..65535 ms.
    QString setHoldTimes(std::vector<int> images, int ms);
    QString setPlayMode(PlayMode mode);
    // At most 255 bytes of UTF-8.
    QString setName(const QString& name);

    // The animation as the program's own file keeps it, at the playback's
    // speed: grey levels as they are, an on/off animation's lit LEDs at full light.
    NativeAnimation nativeAnimation() const;
    // Whether the animation has anything a .led file cannot keep: grey levels,
    // hold times, a play mode other than Loop or a name.
    bool needsNativeFile() const;
    // Writes the animation to `path` in the program's own format, which then
    // holds it as saved; on failure the reason, and the file there stays as it was.
    QString saveNative(const QString& path);
    // The file the animation was loaded from or last saved to, as the caption
    // names it; empty for a new animation, a slideshow's or a file now gone.
    QString filePath() const;

    // Opening a file handed over on the command line: as Load file or Slideshow
    // would after the file was chosen. On failure the reason; the animation stays.
    QString openAnimation(const QString& path);
    QString openPlaylist(const QString& path);
    // An animation kept for recovery: opened from `path`, shown under the
    // caption it had, and unsaved.
    QString restoreAnimation(const QString& path, const QString& caption);

    // Changes to the animation: the count moves on with every change, undo and
    // redo; it is unsaved until Save file (when the .led keeps all of it),
    // Save animation, Load file or New file.
    std::uint64_t changeCount() const { return changeCount_; }
    bool hasUnsavedChanges() const { return changeCount_ != savedAtChange_; }

    // For a show that must go on (the player): a slideshow entry that cannot be
    // loaded is reported and the next one tried, instead of stopping the show.
    void setSkipFailedEntries(std::function<void(const QString& entry)> onFailedEntry) {
        onFailedEntry_ = std::move(onFailedEntry);
    }

    // Where a note goes that the user should read but that needs no answer (a
    // playlist entry found under another encoding).
    void setNotice(std::function<void(const QString&)> notice) { notice_ = std::move(notice); }

    // Start-up and shut-down.
    void Form_Load();
    void Form_Unload();

    // Speed.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    // Whole-frame transforms.
    void Command5_Click();
    void Command7_Click();
    void Command10_Click();
    void Command12_Click();
    void Command13_Click();
    void Command15_Click();
    // Shifts.
    void Command6_Click();
    void Command9_Click();
    void Command11_Click();
    void Command14_Click();
    // Copy and paste.
    void Command8_Click();
    void Command16_Click();
    // Files.
    void Command17_Click();
    void Command18_Click();
    void Command20_Click();
    void Command28_Click();
    // Matrix output.
    void Command19_Click();
    // Frames.
    void Command21_Click();
    void Command22_Click();
    void Command23_Click();
    void Command24_Click();
    void Command25_Click();
    void Command26_Click();
    // Playback.
    void Command27_Click();
    void Command33_Click();
    void Timer2_Timer();
    // Board mouse, positions in twips on the mouse surface.
    void Image3_MouseMove(int button, int shift, float x, float y);
    void Image3_MouseUp(int button, int shift, float x, float y);

    // The cell pictures of the board, Image2(0) .. Image2(255).
    void setCellShown(int cell, bool shown) { panel_.setCellShown(cell, shown); }
    bool isCellShown(int cell) const { return panel_.isCellShown(cell); }

    // Procedures shared by the handlers.
    void Zapmat();
    void Chitmat();
    void Nulreg();
    void Pause(float seconds);
    void Dknop();
    void Aknop();
    bool Pattern(); // false when the next animation could not be loaded

    // How long the refresh loop holds each row; the benchmark sets it to zero.
    void setRowPauseSeconds(float seconds);

private:
    class GatedPort;

    void afterHandler();
    void runClick(Control control);
    PortIo& port();
    MatrixOutput& output() { return *output_; }
    void chooseOutput();
    // Hands the current frame to the matrix output.
    void showOnMatrix();

    // Panel helpers.
    void showCommand(Control control, bool shown) { panel_.show(control, shown); }
    void setLabel2();
    void setCaption(const QString& caption) { panel_.caption = caption; }
    void hideAllCells();

    // Playing on or off, with Timer2 and the panel in step.
    void startPlaying();
    void stopPlaying();

    // Helpers of the editing, file and playback handlers.
    void showOnBoard(const FrameTransforms::Frame& frame);
    void transformFrame(FrameFn transform);
    QString setOrClearAllOn(std::vector<int> images);
    void showSetOrClearAll(bool lit);
    std::vector<FrameCommandPtr> redrawImages(std::span<const int> images,
                                              const std::function<Frame(std::size_t)>& frameFor,
                                              bool levels);
    void storeWithLevels(const FrameTransforms::Frame& frame);
    void stepInPlayOrder();
    void applyFrameTime();
    void rewindFinishedPlay();
    void takeSpeed(int ms);
    QString keepTakeUntilStop(std::span<const FrameTransforms::Frame> frames,
                              std::vector<std::uint16_t> holdMs, bool levels);
    void putInWaitingTake();
    void settleWaitingTake();
    QString storeDrawing(const FrameTransforms::Frame& frame, bool takeLevels);
    QString insertTakingLevels(std::span<const FrameTransforms::Frame> frames,
                               std::vector<std::uint16_t> holdMs = {});
    QString insertTimedFrames(int before, std::span<const FrameTransforms::Frame> frames,
                              std::vector<std::uint16_t> holdMs);
    QString runExtrasCommand(FrameCommandPtr command);
    void stopAfterFailedPattern();
    bool skipFailedEntries();
    std::optional<QString> chosenPath(const struct FileDialogRequest& request);
    QString loadAnimation(const QString& path);
    QString resolveEntry(const std::string& playlistPath, const std::string& fileName);
    Slideshow::Saved stopForSlideshow();
    QString startSlideshow(const QString& path, Slideshow::Saved before);
    void saveAnimation(const QString& path);
    void refreshUntilOff();

    // Undo: the window state a step restores, the command a handler describes
    // its change with, and recording it once the entry point is through.
    History::View view() const;
    void showView(const History::View& view);
    void expectChange(FrameCommandPtr command);
    void record(History::Step step);
    void settleSavedState();
    History::Step swapIn(History::Step step, bool undoing);
    // Runs a command that carries out its own change as one step, leaving
    // `count` images with `current` shown.
    void runCommand(FrameCommandPtr command, int count, int current);
    void showFrameButtons();
    void showChangedFrames();
    // Runs a handler that came in from outside and records the change it
    // described, with the window state from before it.
    template <typename Handler> void recordChange(Handler handler);
    QString refusalToEdit() const;

    EditorServices services_;
    std::unique_ptr<GatedPort> port_;
    std::unique_ptr<RefreshTiming> ownTiming_;
    std::unique_ptr<MatrixOutput> ownOutput_;
    RefreshEngine* ownEngine_ = nullptr;
    MatrixOutput* output_ = nullptr;
    Animation animation_;
    Playback playback_;
    Slideshow slideshow_;
    OutputModes outputModes_;
    WorkingValues work_;
    Panel panel_;
    std::function<void()> afterHandler_;
    std::function<void(const QString&)> onFailedEntry_;
    std::function<void(const QString&)> notice_;
    std::set<std::string> notedEntries_;
    History history_;
    History::Step* pending_ = nullptr; // the step the entry point under way records
    std::uint64_t changeCount_ = 0;
    std::uint64_t savedAtChange_ = 0;
    bool matchesDisk_ = false; // set by New and Load within the handler that runs
    float rowPauseSeconds_;
    bool ended_ = false;
    bool holdMatrix_ = false; // while goToImage passes images on its way
    int drawLevel_ = FrameStore::MaxLevel;
    // A recorded take that came while the animation played.
    struct Take {
        std::vector<FrameTransforms::Frame> frames;
        std::vector<std::uint16_t> holdMs;
        bool levels = false;
    };
    std::optional<Take> waitingTake_;

    // Sets up working values that no click reaches.
    friend struct EditorFixture;
};
