// Frames made from pictures come in as one step: after the current image, or in
// place of the animation.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

QString Editor::importFrames(std::span<const FrameTransforms::Frame> frames, bool replace) {
    if (ended_ || playback_.playing())
        return QStringLiteral("pictures cannot be imported while the animation plays");
    if (frames.empty())
        return QStringLiteral("there is no picture to import");
    const int count = static_cast<int>(frames.size());
    const int total = replace ? count : animation_.imageCount() + count;
    if (total > LedFormat::MaxFrames)
        return QStringLiteral("an animation holds at most %1 images").arg(LedFormat::MaxFrames);
    if (!replace)
        return insertFrames(animation_.currentImage() + 1, frames);

    Animation::Store store;
    store.reserve(FrameStore::sizeFor(count));
    for (const FrameTransforms::Frame& frame : frames)
        store.insert(store.end(), frame.begin(), frame.end());
    History::Step step{nullptr, view()};
    // A new animation: on and off, untimed, unnamed.
    step.command =
        FrameCommands::contentReplaced(animation_.replaceContent({std::move(store), {}}));
    animation_.setImageCount(count);
    animation_.setCurrentImage(1);
    setCaption(QStringLiteral("QUENTARO - NEW"));
    showFrameButtons();
    showChangedFrames();
    record(std::move(step));
    afterHandler();
    return {};
}
