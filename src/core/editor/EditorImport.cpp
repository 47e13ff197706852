// Frames made from pictures come in as one change of the whole store.
#include "editor/Editor.h"
#include "files/LedFormat.h"
#include "frames/FrameStore.h"

#include <algorithm>

QString Editor::importFrames(std::span<const FrameTransforms::Frame> frames, bool replace) {
    if (ended_ || State.Playing != 0)
        return QStringLiteral("pictures cannot be imported while the animation plays");
    if (frames.empty())
        return QStringLiteral("there is no picture to import");
    const int count = static_cast<int>(frames.size());
    const int total = replace ? count : State.ImageCount + count;
    if (total > LedFormat::MaxFrames)
        return QStringLiteral("an animation holds at most %1 images").arg(LedFormat::MaxFrames);

    const std::size_t at = replace ? 0 : FrameStore::sizeFor(State.CurrentImage);
    std::vector<std::uint8_t> store;
    store.reserve(FrameStore::sizeFor(total));
    if (!replace)
        store.assign(State.Frames.begin(),
                     State.Frames.begin() +
                         static_cast<std::ptrdiff_t>(std::min(at, State.Frames.size())));
    store.resize(at, FrameStore::Dark);
    for (const FrameTransforms::Frame& frame : frames)
        store.insert(store.end(), frame.begin(), frame.end());
    if (!replace && at < State.Frames.size())
        store.insert(store.end(), State.Frames.begin() + static_cast<std::ptrdiff_t>(at),
                     State.Frames.end());
    store.resize(FrameStore::sizeFor(total), FrameStore::Dark);

    History::Side before = counts();
    before.wholeStore = true;
    before.store = std::move(State.Frames);
    State.Frames = std::move(store);
    State.ImageCount = total;
    State.CurrentImage = replace ? 1 : State.CurrentImage + 1;
    if (replace)
        setCaption(QStringLiteral("QUENTARO - NEW"));
    showCommand(Control::Command21, State.CurrentImage > 1);
    showCommand(Control::Command22, State.CurrentImage > 1);
    showCommand(Control::Command23, State.ImageCount > State.CurrentImage);
    showCommand(Control::Command24, State.ImageCount > State.CurrentImage);
    showCommand(Control::Command25, State.ImageCount < FrameStore::AddLimit);
    showCommand(Control::Command26, State.ImageCount > 1);
    setLabel2();
    if (State.MatrixOff != 0)
        hideAllCells();
    else
        Chitmat();
    history_.push(std::move(before));
    ++changeCount_;
    afterHandler();
    return {};
}
