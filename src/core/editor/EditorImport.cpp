// Frames made from pictures come in as one change of the whole store.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

#include <algorithm>

QString Editor::importFrames(std::span<const FrameTransforms::Frame> frames, bool replace) {
    if (ended_ || playback_.playing())
        return QStringLiteral("pictures cannot be imported while the animation plays");
    if (frames.empty())
        return QStringLiteral("there is no picture to import");
    const int count = static_cast<int>(frames.size());
    const int total = replace ? count : animation_.imageCount() + count;
    if (total > LedFormat::MaxFrames)
        return QStringLiteral("an animation holds at most %1 images").arg(LedFormat::MaxFrames);

    const Animation::Store& old = animation_.frames();
    const std::size_t at = replace ? 0 : FrameStore::sizeFor(animation_.currentImage());
    Animation::Store store;
    store.reserve(FrameStore::sizeFor(total));
    if (!replace)
        store.assign(old.begin(),
                     old.begin() + static_cast<std::ptrdiff_t>(std::min(at, old.size())));
    store.resize(at, FrameStore::Dark);
    for (const FrameTransforms::Frame& frame : frames)
        store.insert(store.end(), frame.begin(), frame.end());
    if (!replace && at < old.size())
        store.insert(store.end(), old.begin() + static_cast<std::ptrdiff_t>(at), old.end());
    store.resize(FrameStore::sizeFor(total), FrameStore::Dark);

    History::Side before = counts();
    before.wholeStore = true;
    before.store = animation_.replaceStore(std::move(store));
    animation_.setImageCount(total);
    animation_.setCurrentImage(replace ? 1 : animation_.currentImage() + 1);
    if (replace)
        setCaption(QStringLiteral("QUENTARO - NEW"));
    showCommand(Control::FirstImage, animation_.currentImage() > 1);
    showCommand(Control::PreviousImage, animation_.currentImage() > 1);
    showCommand(Control::NextImage, animation_.imageCount() > animation_.currentImage());
    showCommand(Control::LastImage, animation_.imageCount() > animation_.currentImage());
    showCommand(Control::AddImage, animation_.imageCount() < FrameStore::AddLimit);
    showCommand(Control::DeleteImage, animation_.imageCount() > 1);
    setLabel2();
    if (outputModes_.matrixOff())
        hideAllCells();
    else
        Chitmat();
    history_.push(std::move(before));
    ++changeCount_;
    afterHandler();
    return {};
}
