// New, Load and Save of animation files, and the slideshow of a playlist.
//
// Loading is all or nothing: a file replaces the animation only once it has been
// read whole without a bad line, so a bad file never costs the user the animation
// they had.
#include "editor/CommonDialog.h"
#include "editor/Editor.h"
#include "files/AnimationFile.h"
#include "files/FilePath.h"
#include "files/LedFormat.h"
#include "files/PlaylistFormat.h"
#include "frames/FrameStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <utility>

namespace {

const QString CaptionPrefix = QStringLiteral("QUENTARO - ");
// Far more than 1001 names of any length: a bigger file is not a playlist.
constexpr qint64 MaxPlaylistBytes = 16 * 1024 * 1024;

FileDialogRequest ledOpenRequest() {
    return {FileDialogRequest::Kind::Open, QStringLiteral("Файлы команд (*.led)|*.led|"),
            QStringLiteral("*.led"), QStringLiteral(" ")};
}

FileDialogRequest ledSaveRequest() {
    return {FileDialogRequest::Kind::Save,
            QStringLiteral("Файлы команд (*.led)|*.led|Все файлы(*.*)|*.*|"),
            QStringLiteral("*.txt"), QStringLiteral(" ")};
}

FileDialogRequest playlistRequest() {
    return {FileDialogRequest::Kind::Open, QStringLiteral("Файлы команд (*.pat)|*.pat|"),
            QStringLiteral("*.pat"), QStringLiteral(" ")};
}

std::string toBytes(const QString& path) {
    return FilePath::toBytes(path).toStdString();
}

// For the caption: bytes that are not UTF-8 show as U+FFFD.
QString fromBytes(const std::string& bytes) {
    return QString::fromUtf8(bytes.data(), qsizetype(bytes.size()));
}

// A relative entry names a file next to the playlist first, then one in the
// current directory.
QString resolveName(const std::string& playlistPath, const QString& name) {
    if (QFileInfo(name).isAbsolute())
        return name;
    const QString besidePlaylist =
        QFileInfo(FilePath::fromBytes(playlistPath)).dir().filePath(name);
    return FilePath::exists(besidePlaylist) ? besidePlaylist : name;
}

// The counts of a file that has loaded whole, with its first frame current.
void takeCounts(WorkingValues& work, Animation& animation, const AnimationFile::Loaded& loaded) {
    work.FileLength = static_cast<std::int32_t>(loaded.fileLength);
    work.FileFrameCount = static_cast<double>(loaded.fileLength) / double(LedFormat::BytesPerFrame);
    animation.setImageCount(loaded.frameCount);
    animation.setCurrentImage(1);
}

// A file of the program's own format as the editor keeps it: its levels in the
// cell bytes, and levels at all only when it has any between dark and full light.
Animation::Content contentOf(const NativeAnimation& native) {
    Animation::Content content;
    content.frames.resize(native.levels.size());
    std::transform(native.levels.begin(), native.levels.end(), content.frames.begin(),
                   [](std::uint8_t level) { return FrameStore::cellForLevel(level); });
    content.extras.levels = native.hasLevels();
    content.extras.holdMs = native.holdMs;
    content.extras.playMode = AnimationFile::playModeOf(native.playMode);
    content.extras.name = native.name;
    return content;
}

// What Load file takes from either kind of file: a .led's bytes as they are.
struct LoadedContent {
    Animation::Content content;
    AnimationFile::Loaded counts; // frames left empty: they are in content
    std::optional<int> speedMs;   // the speed the file carries, if it does
    bool native = false;
};

std::optional<LoadedContent> readAnimation(const QString& path, QString& error) {
    AnimationFile::AnimationAttempt attempt = AnimationFile::tryLoadAnimation(path);
    if (!attempt.loaded) {
        error = attempt.error;
        return std::nullopt;
    }
    LoadedContent loaded;
    if (attempt.loaded->kind == AnimationFile::Kind::Native) {
        const NativeAnimation& native = attempt.loaded->animation;
        loaded.content = contentOf(native);
        loaded.native = true;
        loaded.counts.frameCount = native.frameCount();
        loaded.counts.fileLength = attempt.loaded->fileLength;
        loaded.speedMs = native.speedMs; // the start speed too: it is the file's
        return loaded;
    }
    // The bytes as the file holds them, odd ones too: read as a .led again.
    AnimationFile::Attempt led = AnimationFile::tryLoad(path);
    if (!led.loaded) {
        error = led.error;
        return std::nullopt;
    }
    loaded.content.frames = std::move(led.loaded->frames);
    loaded.counts = std::move(*led.loaded);
    return loaded;
}

} // namespace

// An entry that is not UTF-8 was most likely written in a Windows code page:
// its bytes are tried as they stand, then as Windows-1252 text, and which one
// found the file is said once.
QString Editor::resolveEntry(const std::string& playlistPath, const std::string& fileName) {
    const QString asBytes = resolveName(playlistPath, FilePath::fromBytes(fileName));
    if (FilePath::isUtf8(fileName))
        return asBytes;
    QString found = asBytes;
    QString how = QStringLiteral("by its bytes");
    if (!FilePath::exists(asBytes)) {
        found = resolveName(playlistPath, FilePath::fromWindows1252(fileName));
        how = QStringLiteral("as Windows-1252 text");
        if (!FilePath::exists(found))
            return asBytes; // reported as an entry that cannot be played
    }
    if (notice_ && notedEntries_.insert(fileName).second)
        notice_(QStringLiteral("%1: a playlist entry that is not UTF-8, found %2").arg(found, how));
    return found;
}

// "New file": one empty frame in place of the animation.
void Editor::Command18_Click() {
    animation_.setCurrentImage(1);
    animation_.setImageCount(1);
    expectChange(
        FrameCommands::contentReplaced(animation_.replaceContent({Animation::darkFrames(1), {}})));
    panel_.label2 = QStringLiteral("1/1");
    setCaption(CaptionPrefix + QStringLiteral("NEW"));
    matchesDisk_ = true;
    showCommand(Control::DeleteImage, false);
    showCommand(Control::AddImage, true);
    for (Control b :
         {Control::FirstImage, Control::PreviousImage, Control::NextImage, Control::LastImage})
        showCommand(b, false);
    Chitmat();
}

// The file the user chose, or nothing when the dialog was cancelled.
std::optional<QString> Editor::chosenPath(const FileDialogRequest& request) {
    std::optional<QString> path = services_.dialog.show(request);
    if (!path || path->isEmpty())
        return std::nullopt;
    return path;
}

// "Load file": an animation from a .led file in place of this one.
void Editor::Command17_Click() {
    Nulreg();
    const std::optional<QString> path = chosenPath(ledOpenRequest());
    if (!path)
        return;
    loadAnimation(*path);
}

// One step of undo, as Load file.
QString Editor::openAnimation(const QString& path) {
    settleWaitingTake();
    Nulreg();
    matchesDisk_ = false;
    History::Step step{nullptr, view()};
    History::Step* outer = std::exchange(pending_, &step);
    const QString error = loadAnimation(path);
    pending_ = outer;
    record(std::move(step));
    settleSavedState();
    return error;
}

QString Editor::restoreAnimation(const QString& path, const QString& caption) {
    const QString error = openAnimation(path);
    if (error.isEmpty()) {
        setCaption(caption);
        ++changeCount_;
    }
    return error;
}

QString Editor::loadAnimation(const QString& path) {
    slideshow_.setOn(false);
    QString error;
    std::optional<LoadedContent> loaded = readAnimation(path, error);
    if (!loaded)
        return error;
    takeCounts(work_, animation_, loaded->counts);
    if (loaded->native) // its length says nothing of its frames
        work_.FileFrameCount = loaded->counts.frameCount;
    if (loaded->speedMs) {
        if (pending_ != nullptr) // undoing the load gives the speed back
            pending_->view.speedMs = playback_.intervalMs();
        takeSpeed(*loaded->speedMs);
    }
    setLabel2();
    showCommand(Control::FirstImage, false);
    showCommand(Control::PreviousImage, false);
    showCommand(Control::NextImage, animation_.imageCount() > 1);
    showCommand(Control::LastImage, animation_.imageCount() > 1);
    expectChange(
        FrameCommands::contentReplaced(animation_.replaceContent(std::move(loaded->content))));
    matchesDisk_ = true;
    Chitmat();
    showCommand(Control::DeleteImage, animation_.imageCount() > 1);
    setCaption(CaptionPrefix + path);
    return {};
}

// "Save file": the animation into a .led file.
void Editor::Command20_Click() {
    Nulreg();
    const std::optional<QString> path = chosenPath(ledSaveRequest());
    if (!path)
        return;
    saveAnimation(*path);
}

// An animation with grey levels goes into the .led as an on/off output shows
// it, lit from half level up; one without keeps its bytes as they are. What
// the .led cannot keep stays unsaved, so that the recovery copy keeps it.
void Editor::saveAnimation(const QString& path) {
    std::optional<NativeFormat::LedStore> led;
    if (needsNativeFile())
        led = NativeFormat::toLedStore(nativeAnimation());
    const SafeSave::Result saved = AnimationFile::save(
        path,
        animation_.hasLevels() ? std::span<const std::uint8_t>(led->frames) : animation_.images());
    if (!saved.ok) {
        // The one failure that is not silent: the user believes a save landed.
        services_.tell({Message::Kind::Warning, QStringLiteral("Attention!"),
                        QStringLiteral("%1 could not be saved:\n%2").arg(path, saved.error)});
        return;
    }
    setCaption(CaptionPrefix + path);
    if (!led || led->lost.empty()) {
        savedAtChange_ = changeCount_;
        return;
    }
    if (notice_)
        notice_(QStringLiteral("%1: a .led file does not keep %2; they stay unsaved, in the "
                               "recovery copy, until Save animation… (Ctrl+Shift+S) saves them")
                    .arg(path, QString::fromStdString(led->lost)));
}

QString Editor::filePath() const {
    if (!panel_.caption.startsWith(CaptionPrefix))
        return {};
    const QString path = panel_.caption.mid(CaptionPrefix.size());
    const std::optional<struct stat> info = FilePath::status(path);
    return info && S_ISREG(info->st_mode) ? path : QString();
}

QString Editor::saveNative(const QString& path) {
    const SafeSave::Result saved = AnimationFile::saveNative(path, nativeAnimation());
    if (!saved.ok)
        return saved.error;
    setCaption(CaptionPrefix + path);
    savedAtChange_ = changeCount_;
    afterHandler();
    return {};
}

// "Slideshow": the animations of a .pat playlist played in turn.
void Editor::Command28_Click() {
    Slideshow::Saved before = stopForSlideshow();
    const std::optional<QString> path = chosenPath(playlistRequest());
    if (!path)
        return;
    startSlideshow(*path, std::move(before));
}

QString Editor::openPlaylist(const QString& path) {
    return startSlideshow(path, stopForSlideshow());
}

// What Slideshow does before it asks for the playlist: playback stops, the
// matrix goes dark and the show starts from its first entry. Returns what a
// show that fails to start gives back.
Slideshow::Saved Editor::stopForSlideshow() {
    stopPlaying();
    panel_.setPicture(Control::StartStop, Store::Image6);
    Nulreg();
    Slideshow::Saved before = slideshow_.saved();
    slideshow_.setPosition(0);
    return before;
}

QString Editor::startSlideshow(const QString& path, Slideshow::Saved before) {
    QFile file;
    const std::optional<struct stat> info = FilePath::status(path);
    if (!info || !S_ISREG(info->st_mode) || !FilePath::openForReading(file, path) ||
        file.size() > MaxPlaylistBytes)
        return QStringLiteral("not a readable playlist");
    const QByteArray bytes = file.readAll();
    file.close();
    const auto lines =
        PlaylistFormat::read(std::string_view(bytes.constData(), std::size_t(bytes.size())));
    if (!lines || lines->empty())
        return QStringLiteral("not a playlist");
    slideshow_.take(*lines, toBytes(path));
    showCommand(Control::Slideshow, false);
    // A show whose first animation cannot be loaded does not start: the editor
    // keeps its animation, buttons and earlier playlist and offers the slideshow
    // again, so that no failed playlist can replace the animation at a wrap.
    if (!Pattern() && !skipFailedEntries()) {
        slideshow_.restore(std::move(before));
        showCommand(Control::Slideshow, true);
        return onFailedEntry_ ? QStringLiteral("none of its animations can be read")
                              : QStringLiteral("its first animation cannot be read");
    }
    return {};
}

bool Editor::Pattern() {
    slideshow_.setOn(true);
    slideshow_.wrapAtEnd();
    if (!slideshow_.chooseEntry())
        return false;
    std::optional<AnimationFile::Loaded> loaded =
        AnimationFile::load(resolveEntry(slideshow_.path(), slideshow_.fileName()));
    if (!loaded)
        return false;

    Dknop();
    takeCounts(work_, animation_, *loaded);
    setLabel2();
    animation_.replaceContent({std::move(loaded->frames), {}});
    history_.clear(); // the show replaced the animation the steps belong to
    setCaption(CaptionPrefix + fromBytes(slideshow_.path()) + QLatin1Char('\\') +
               fromBytes(slideshow_.fileName()));
    panel_.setPicture(Control::StartStop, Store::Image7);
    panel_.setTooltip(Control::StartStop, QStringLiteral("Stop"));
    // A timer that runs already keeps its rhythm of ticks.
    startPlaying();
    return true;
}

// Tries the entries after one that failed, each once, reporting every failure.
bool Editor::skipFailedEntries() {
    if (!onFailedEntry_)
        return false;
    onFailedEntry_(fromBytes(slideshow_.fileName()));
    const int entries = std::max(1, slideshow_.count() - 1);
    for (int tries = 1; tries < entries; ++tries) {
        slideshow_.advance();
        if (Pattern())
            return true;
        onFailedEntry_(fromBytes(slideshow_.fileName()));
    }
    return false;
}

// The next animation of a running slideshow could not be loaded: the show stops
// as Stop would stop it, with the last animation that loaded whole still there.
void Editor::stopAfterFailedPattern() {
    setLabel2();
    if (playback_.playing())
        Command33_Click();
}
