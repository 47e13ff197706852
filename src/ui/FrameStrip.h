#pragma once

#include <QList>
#include <QWidget>
#include <cstdint>
#include <vector>

class Editor;
class FrameThumbnails;
class QAction;
class QLabel;
class QListView;

// Thumbnails of every frame of the animation, as many to a line as the strip
// is wide (or in one line across), the current image highlighted and kept in
// view. A click goes to that image as the navigation buttons would; Ctrl
// chooses several, Shift the images from the one shown, Ctrl+A every image.
// The chosen images can be duplicated, deleted and moved, by the buttons, the
// context menu, their keys while the strip has the focus, or by dragging; an
// empty image can be put in after the current one. Each is one step of the
// history. What the editor refuses (while the animation plays, or deleting
// every image) is said under the thumbnails and sent out as message(), and
// nothing changes.
class FrameStrip final : public QWidget {
    Q_OBJECT
public:
    explicit FrameStrip(Editor& editor, Qt::Orientation orientation = Qt::Vertical,
                        QWidget* parent = nullptr);
    ~FrameStrip() override;

    // Catches up with the editor: to be called after every handler. Costs three
    // comparisons when nothing changed; after an edit only the thumbnails whose
    // frames changed are drawn again.
    void refresh();

    // The chosen images, counted from 1, in rising order; the current image when
    // none is chosen.
    std::vector<int> chosenImages() const;

    // Duplicate, Insert empty, Delete, Move earlier and Move later, each with
    // its key and tooltip: for a menu or the key table.
    const QList<QAction*>& commands() const { return actions_; }

signals:
    // Why an operation was refused; empty once one succeeds.
    void message(const QString& text);
    // Other images chosen, or none.
    void chosenChanged();

private:
    struct Shown {
        std::uint64_t changes = ~std::uint64_t{0};
        std::uint64_t store = ~std::uint64_t{0};
        int count = -1;
        int current = -1;
        bool playing = false;
        bool operator==(const Shown&) const = default;
    };

    QAction* makeAction(const QString& text, const QString& tip, QKeySequence key, const char* icon,
                        void (FrameStrip::*run)());
    void layOut(Qt::Orientation orientation);
    void goToClicked(int row);
    void showCurrent(int image);
    void choose(int first, int count);

    void duplicateChosen();
    void insertEmpty();
    void deleteChosen();
    void askHoldTime();
    void moveEarlier();
    void moveLater();
    void moveImages(std::vector<int> images, int before);
    // Shows the editor's answer; on success the `count` images from `first` on
    // are chosen (none is chosen anew when `first` is 0).
    void report(const QString& refusal, int first = 0, int count = 0);

    Editor& editor_;
    FrameThumbnails* thumbnails_;
    QListView* list_;
    QLabel* status_;
    QList<QAction*> actions_;
    Shown shown_;
    bool following_ = false; // set while the list is moved to the editor's image
};
