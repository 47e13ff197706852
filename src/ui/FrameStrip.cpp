#include "ui/FrameStrip.h"

#include "editor/Editor.h"
#include "files/NativeFormat.h"
#include "pictures/BoardRendering.h"
#include "ui/Artwork.h"
#include "ui/PlainText.h"

#include <QAbstractListModel>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDropEvent>
#include <QFormLayout>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QMimeData>
#include <QPainter>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <functional>
#include <optional>
#include <ranges>

namespace {

constexpr int LedPitch = 2; // pixels from one LED of a thumbnail to the next
constexpr int ThumbnailSide = FrameStore::Side * LedPitch;
const auto ImagesType = QStringLiteral("application/x-quentaro-images");
const auto OriginType = QStringLiteral("application/x-quentaro-strip");

// A frame's LEDs, four bits a cell (its level, or 15 where an on/off frame is
// lit), and its hold time: what a thumbnail is drawn from and known by.
struct Key {
    std::array<std::uint8_t, FrameStore::CellsPerFrame / 2> levels{};
    int holdMs = 0;
    bool operator==(const Key&) const = default;
};

// Eight cells at a time, as the strip reads every frame after each change: the
// bytes equal to Lit found without a branch, their top bits gathered into one
// byte, each bit then made a nibble of 15.
void putLitCells(const FrameStore::Frame& frame, Key& key) {
    constexpr std::uint64_t Ones = 0x0101010101010101, Low7 = 0x7f7f7f7f7f7f7f7f;
    static_assert(FrameStore::Lit == 1);
    for (std::size_t byte = 0; byte < FrameStore::CellsPerFrame / 8; ++byte) {
        const auto cells = qFromLittleEndian<std::uint64_t>(frame.data() + byte * 8);
        const std::uint64_t lit = cells ^ Ones; // a zero byte where the cell is lit
        const std::uint64_t notZero = ((lit & Low7) + Low7) | lit;
        const std::uint64_t zeroTops = ~notZero & ~Low7;
        const auto bits = std::uint8_t(((zeroTops >> 7) * 0x0102040810204080) >> 56);
        for (std::size_t pair = 0; pair < 4; ++pair)
            key.levels[byte * 4 + pair] = std::uint8_t(((bits >> (2 * pair)) & 1 ? 0x0F : 0) |
                                                       ((bits >> (2 * pair + 1)) & 1 ? 0xF0 : 0));
    }
}

Key keyOf(const Animation& animation, int image) {
    const FrameStore::Frame frame = animation.frame(image);
    Key key;
    key.holdMs = animation.holdMs(image);
    if (!animation.hasLevels()) {
        putLitCells(frame, key);
        return key;
    }
    for (std::size_t cell = 0; cell < frame.size(); cell += 2)
        key.levels[cell / 2] = std::uint8_t(FrameStore::levelOf(frame[cell]) |
                                            FrameStore::levelOf(frame[cell + 1]) << 4);
    return key;
}

int levelIn(const Key& key, int cell) {
    return (key.levels[std::size_t(cell / 2)] >> (4 * (cell % 2))) & 0x0F;
}

// The picture part of the key as the pictures are filed under it, without a
// copy: only for a look-up.
QByteArray name(const Key& key) {
    return QByteArray::fromRawData(reinterpret_cast<const char*>(key.levels.data()),
                                   qsizetype(key.levels.size()));
}

// An LED of a thumbnail: a square of its colour, with no gap, which would
// leave one of two pixels lit and the picture too faint to read.
QImage ledTile(const QColor& colour) {
    QImage tile(LedPitch, LedPitch, QImage::Format_RGB32);
    tile.fill(colour);
    return tile;
}

// The arrows of Move earlier and later, pointing along a strip that runs across.
QIcon turnedLeft(const QIcon& icon) {
    QIcon turned;
    for (qreal dpr : {1.0, 2.0})
        turned.addPixmap(icon.pixmap(QSize(Artwork::ButtonIconSize, Artwork::ButtonIconSize), dpr)
                             .transformed(QTransform().rotate(-90)));
    return turned;
}

QString imageList(const std::vector<int>& images) {
    QStringList numbers;
    for (int image : images)
        numbers << QString::number(image);
    return numbers.join(QLatin1Char(','));
}

std::vector<int> imagesFrom(const QByteArray& list) {
    std::vector<int> images;
    for (const QByteArray& number : list.split(',')) {
        bool ok = false;
        images.push_back(number.toInt(&ok));
        if (!ok)
            return {};
    }
    return images;
}

constexpr int HoldRole = Qt::UserRole; // the image's own hold time in ms, or 0

// The image currently shown drawn with a frame of its own, whatever is chosen;
// an image's own hold time written across the foot of its thumbnail.
// A hold time as long as fits the thumbnail's width: "1500 ms", "1500ms",
// "1.5s", and cut short only when none of them fits.
QString holdLabel(int ms, const QFontMetrics& metrics, int width) {
    const QString seconds = QString::number(ms / 1000.0, 'g', ms < 10000 ? 2 : 3) + u's';
    for (const QString& label :
         {QStringLiteral("%1 ms").arg(ms), QStringLiteral("%1ms").arg(ms), seconds})
        if (metrics.horizontalAdvance(label) <= width)
            return label;
    return metrics.elidedText(seconds, Qt::ElideRight, width);
}

class CurrentImageMark final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    // The number under the thumbnail, so that a narrow strip shows it whole.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        option->decorationPosition = QStyleOptionViewItem::Top;
        option->displayAlignment = Qt::AlignHCenter | Qt::AlignTop;
    }

public:
    // Every cell as large as one with a four-digit number, and room around the
    // thumbnail for the current image's frame: the view takes the first row's
    // size for all of them.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        cell.text = QStringLiteral("0000");
        return style(cell)->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), cell.widget) +
               QSize(MarkWidth * 2, MarkWidth);
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem cell = option;
        cell.rect.adjust(MarkWidth, MarkWidth, -MarkWidth, 0);
        QStyledItemDelegate::paint(painter, cell, index);
        if (const int hold = index.data(HoldRole).toInt(); hold > 0)
            paintHold(painter, cell, index, hold);
        const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
        if (view == nullptr || view->currentIndex() != index)
            return;
        painter->save();
        painter->setPen(QPen(BoardRendering::LitColour, MarkWidth));
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }

private:
    static constexpr int MarkWidth = 2;

    static const QStyle* style(const QStyleOptionViewItem& option) {
        return option.widget ? option.widget->style() : QApplication::style();
    }

    void paintHold(QPainter* painter, QStyleOptionViewItem cell, const QModelIndex& index,
                   int hold) const {
        initStyleOption(&cell, index);
        const QRect picture =
            style(cell)->subElementRect(QStyle::SE_ItemViewItemDecoration, &cell, cell.widget);
        QFont small = cell.font;
        small.setPixelSize(std::max(7, picture.height() / 4));
        const QFontMetrics metrics(small);
        const QRect band(picture.left(), picture.bottom() + 1 - metrics.height(), picture.width(),
                         metrics.height());
        painter->save();
        painter->fillRect(band, QColor(0, 0, 0, 170));
        painter->setFont(small);
        painter->setPen(Qt::white);
        painter->drawText(band, Qt::AlignCenter, holdLabel(hold, metrics, band.width()));
        painter->restore();
    }
};

// The list with the strip's keys: they win over the window's keys while it has
// the focus (Insert and Delete there mean the strip's, not Add and Delete image;
// Ctrl+A chooses every image, not every LED). A range of images chosen with
// Shift reaches from the anchor, the image last shown without Shift, however it
// was shown: a click, a key of the list's or of the window's, a button.
class StripList final : public QListView {
public:
    using QListView::QListView;

protected:
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride && ownsKey(*static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        return QListView::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (QAction* action = actionFor(*event))
            action->trigger();
        else if (event->matches(QKeySequence::SelectAll))
            selectAll();
        else if (const auto move = rangeMove(*event))
            extendTo(moveCursor(*move, event->modifiers()), {});
        else
            QListView::keyPressEvent(event);
    }

    // The view's own Shift+click spans a rectangle from where it last saw a
    // click; the press is left to it (for a drag that may follow), the range
    // then made the images from the anchor, in their order.
    void mousePressEvent(QMouseEvent* event) override {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (event->button() != Qt::LeftButton || !(event->modifiers() & Qt::ShiftModifier) ||
            !index.isValid())
            return QListView::mousePressEvent(event);
        const QItemSelection before = selectionModel()->selection();
        const QModelIndex anchor = anchorIndex();
        extending_ = true;
        QListView::mousePressEvent(event);
        extending_ = false;
        anchor_ = anchor;
        extendTo(index, event->modifiers() & Qt::ControlModifier ? before : QItemSelection());
    }

    // A drag is taken when it carries this strip's images, known by the mark
    // the model puts on them; the view's own check asks the running drag for
    // its source, which drag events handed in without one (as tests do) lack.
    void dragEnterEvent(QDragEnterEvent* event) override {
        if (!carriesOwnImages(*event))
            return event->ignore();
        event->setDropAction(Qt::MoveAction);
        event->accept();
        setState(DraggingState);
    }

    // The drop goes to the model as the place between two rows, whichever
    // images are chosen: the view's own move takes a drop beside a chosen
    // image as already done, which is not so for images apart.
    void dropEvent(QDropEvent* event) override {
        if (!carriesOwnImages(*event))
            return event->ignore();
        const int row = rowBefore(event->position().toPoint());
        model()->dropMimeData(event->mimeData(), Qt::MoveAction, row, 0, {});
        event->setDropAction(Qt::CopyAction); // nothing for the view to remove
        event->accept();
        stopAutoScroll();
        setState(NoState);
        viewport()->update();
    }

    // Up and Down step one image, as Left and Right do: the lines are only
    // where the panel's width wraps the strip, and the images one sequence.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override {
        if (action == MoveUp || action == MovePrevious)
            action = MoveLeft;
        else if (action == MoveDown || action == MoveNext)
            action = MoveRight;
        return QListView::moveCursor(action, modifiers);
    }

    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override {
        QListView::currentChanged(current, previous);
        if (!extending_)
            anchor_ = current;
    }

private:
    bool carriesOwnImages(const QDropEvent& event) const {
        return model() != nullptr &&
               model()->canDropMimeData(event.mimeData(), Qt::MoveAction, -1, 0, {});
    }

    // The place between two rows nearest to `at` in reading order, as the view
    // is scrolled now: the first thumbnail not before it. A point in the
    // spacing between thumbnails, beside them or on the view's very edge,
    // where a drag that scrolls the strip is let go, counts as well as one on
    // a thumbnail: between two lines of thumbnails it is the end of the upper.
    int rowBefore(QPoint at) const {
        const auto rows = std::views::iota(0, model()->rowCount());
        return *std::ranges::partition_point(rows, [&](int row) {
            const QRect thumbnail = visualRect(model()->index(row, 0));
            if (isWrapping() && thumbnail.bottom() < at.y())
                return true; // a line above
            const bool sameLine = !isWrapping() || thumbnail.top() <= at.y();
            return sameLine && thumbnail.center().x() < at.x();
        });
    }

    // Shift with an arrow, Home, End, Page Up or Down.
    static std::optional<CursorAction> rangeMove(const QKeyEvent& event) {
        const Qt::KeyboardModifiers mods = event.modifiers() & ~Qt::KeypadModifier;
        if (mods != Qt::ShiftModifier)
            return std::nullopt;
        return cursorMove(Qt::Key(event.key()));
    }
    static std::optional<CursorAction> cursorMove(Qt::Key key) {
        switch (key) {
        case Qt::Key_Up:
            return MoveUp;
        case Qt::Key_Down:
            return MoveDown;
        case Qt::Key_Left:
            return MoveLeft;
        case Qt::Key_Right:
            return MoveRight;
        case Qt::Key_Home:
            return MoveHome;
        case Qt::Key_End:
            return MoveEnd;
        case Qt::Key_PageUp:
            return MovePageUp;
        case Qt::Key_PageDown:
            return MovePageDown;
        default:
            return std::nullopt;
        }
    }
    // The arrows alone too: the window's (which move selected LEDs) would
    // otherwise take them.
    bool ownsKey(const QKeyEvent& event) const {
        const bool arrow = (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
                           event.key() >= Qt::Key_Left && event.key() <= Qt::Key_Down;
        return actionFor(event) != nullptr || event.matches(QKeySequence::SelectAll) || arrow ||
               rangeMove(event).has_value();
    }

    QModelIndex anchorIndex() const {
        return anchor_.isValid() ? QModelIndex(anchor_) : currentIndex();
    }

    // The images from the anchor to `to` chosen (besides those `kept`), `to`
    // made the current image; the anchor stays.
    void extendTo(const QModelIndex& to, const QItemSelection& kept) {
        if (!to.isValid() || selectionMode() != ExtendedSelection)
            return;
        const QModelIndex anchor = anchorIndex();
        extending_ = true;
        selectionModel()->setCurrentIndex(to, QItemSelectionModel::NoUpdate);
        extending_ = false;
        if (currentIndex() != to) // the editor refused to show it
            return;
        QItemSelection range = kept;
        range.merge(QItemSelection(model()->index(std::min(anchor.row(), to.row()), 0),
                                   model()->index(std::max(anchor.row(), to.row()), 0)),
                    QItemSelectionModel::Select);
        selectionModel()->select(range, QItemSelectionModel::ClearAndSelect);
        anchor_ = anchor;
    }

    QAction* actionFor(const QKeyEvent& event) const {
        const QKeySequence key(
            QKeyCombination(event.modifiers() & ~Qt::KeypadModifier, Qt::Key(event.key())));
        const QList<QAction*> keyed = actions();
        const auto found = std::find_if(keyed.begin(), keyed.end(),
                                        [&](QAction* a) { return a->shortcut() == key; });
        return found == keyed.end() ? nullptr : *found;
    }

    QPersistentModelIndex anchor_;
    bool extending_ = false; // the current image moves, the anchor stays
};

} // namespace

// The frames as rows, each with its number and its thumbnail. Rows are compared
// with the animation by their keys, so that an edit redraws only the thumbnails
// it changed; pictures are kept by key, so a moved or duplicated frame is drawn
// once. A drop of rows is handed to the strip to move the images.
class FrameThumbnails final : public QAbstractListModel {
public:
    using Move = std::function<void(std::vector<int> images, int before)>;

    FrameThumbnails(const Editor& editor, Move move, QObject* parent)
        : QAbstractListModel(parent), editor_(editor), move_(std::move(move)),
          tiles_(levelTiles()) {}

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(keys_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!checkIndex(index, CheckIndexOption::IndexIsValid))
            return {};
        const int image = index.row() + 1;
        switch (role) {
        case Qt::DisplayRole:
            return QString::number(image);
        case HoldRole:
            return keys_[static_cast<std::size_t>(index.row())].holdMs;
        case Qt::DecorationRole:
            return picture(keys_[static_cast<std::size_t>(index.row())]);
        case Qt::AccessibleTextRole:
        case Qt::ToolTipRole:
            return FrameStrip::tr("Image %1 of %2").arg(image).arg(rowCount()) +
                   holdDescription(image);
        default:
            return {};
        }
    }

    Qt::ItemFlags flags(const QModelIndex& index) const override {
        if (!index.isValid())
            return Qt::ItemIsDropEnabled; // between rows only, never onto one
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    }
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override { return Qt::MoveAction; }
    QStringList mimeTypes() const override { return {ImagesType}; }

    QMimeData* mimeData(const QModelIndexList& indexes) const override {
        std::vector<int> images;
        for (const QModelIndex& index : indexes)
            images.push_back(index.row() + 1);
        std::sort(images.begin(), images.end());
        auto* data = new QMimeData;
        data->setData(ImagesType, imageList(images).toLatin1());
        data->setData(OriginType, origin());
        return data;
    }

    // Only images dragged from this strip are taken: the numbers mean nothing
    // to another animation.
    bool canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                         const QModelIndex&) const override {
        return data != nullptr && data->data(OriginType) == origin();
    }

    // Always false: the editor has moved the images and the rows follow it, so
    // the view must not remove the dragged rows itself.
    bool dropMimeData(const QMimeData* data, Qt::DropAction, int row, int,
                      const QModelIndex& parent) override {
        std::vector<int> images = imagesFrom(data->data(ImagesType));
        if (images.empty() || !canDropMimeData(data, Qt::MoveAction, row, 0, parent))
            return false;
        const int before = row >= 0           ? row + 1
                           : parent.isValid() ? parent.row() + 2
                                              : rowCount() + 1;
        move_(std::move(images), before);
        return false;
    }

    // The rows made the animation's frames again.
    void sync() {
        const Animation& animation = editor_.animation();
        std::vector<Key> keys(static_cast<std::size_t>(animation.imageCount()));
        for (std::size_t row = 0; row < keys.size(); ++row)
            keys[row] = keyOf(animation, static_cast<int>(row) + 1);
        if (keys.size() != keys_.size()) {
            beginResetModel();
            keys_ = std::move(keys);
            endResetModel();
        } else {
            redrawChanged(keys);
        }
        forgetUnused();
    }

private:
    // This strip of this process, whichever platform carried the drag.
    QByteArray origin() const {
        return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
               QByteArray::number(reinterpret_cast<quintptr>(this));
    }

    void redrawChanged(std::vector<Key>& keys) {
        const int rows = rowCount();
        for (int first = 0; first < rows; ++first) {
            int last = first;
            while (last < rows && keys_[std::size_t(last)] != keys[std::size_t(last)]) {
                keys_[std::size_t(last)] = std::move(keys[std::size_t(last)]);
                ++last;
            }
            if (last > first)
                emit dataChanged(index(first), index(last - 1),
                                 {Qt::DecorationRole, HoldRole, Qt::ToolTipRole});
            first = last;
        }
    }

    static std::array<QImage, FrameStore::MaxLevel + 1> levelTiles() {
        std::array<QImage, FrameStore::MaxLevel + 1> tiles;
        for (int level = 0; level <= FrameStore::MaxLevel; ++level)
            tiles[std::size_t(level)] = ledTile(BoardRendering::levelColour(level));
        return tiles;
    }

    QString holdDescription(int image) const {
        const int hold = keys_[std::size_t(image - 1)].holdMs;
        return hold > 0 ? FrameStrip::tr(", held %1 ms").arg(hold) : QString();
    }

    // The same picture whether chosen or not: a tint would hide the LEDs.
    QIcon picture(const Key& key) const {
        if (const auto kept = pictures_.constFind(name(key)); kept != pictures_.constEnd())
            return *kept;
        QImage image(ThumbnailSide, ThumbnailSide, QImage::Format_RGB32);
        {
            QPainter painter(&image);
            for (int cell = 0; cell < FrameStore::CellsPerFrame; ++cell)
                painter.drawImage(cell % FrameStore::Side * LedPitch,
                                  cell / FrameStore::Side * LedPitch,
                                  tiles_[std::size_t(levelIn(key, cell))]);
        }
        QIcon icon;
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected})
            icon.addPixmap(QPixmap::fromImage(image), mode);
        const QByteArray filed(reinterpret_cast<const char*>(key.levels.data()),
                               qsizetype(key.levels.size()));
        return *pictures_.insert(filed, icon);
    }

    // Pictures of frames no longer in the animation are dropped once they
    // outnumber the rows, so that undo and redo still find most of theirs.
    void forgetUnused() {
        if (pictures_.size() <= static_cast<qsizetype>(keys_.size()) * 2 + 64)
            return;
        QHash<QByteArray, QIcon> kept;
        for (const Key& key : keys_)
            if (const auto found = pictures_.constFind(name(key)); found != pictures_.constEnd())
                kept.insert(found.key(), *found);
        pictures_ = std::move(kept);
    }

    const Editor& editor_;
    Move move_;
    std::vector<Key> keys_;
    mutable QHash<QByteArray, QIcon> pictures_;
    std::array<QImage, FrameStore::MaxLevel + 1> tiles_;
};

FrameStrip::FrameStrip(Editor& editor, Qt::Orientation orientation, QWidget* parent)
    : QWidget(parent), editor_(editor),
      thumbnails_(new FrameThumbnails(
          editor,
          [this](std::vector<int> images, int before) { moveImages(std::move(images), before); },
          this)),
      list_(new StripList(this)), status_(PlainText::label(new QLabel(this))) {
    const bool vertical = orientation == Qt::Vertical;
    makeAction(tr("&Duplicate"), tr("Duplicate the chosen images"),
               QKeySequence(Qt::CTRL | Qt::Key_D), "strip-duplicate", &FrameStrip::duplicateChosen);
    makeAction(tr("&Insert empty"), tr("Insert an empty image after the current one"),
               QKeySequence(Qt::Key_Insert), "strip-insert", &FrameStrip::insertEmpty);
    makeAction(tr("De&lete"), tr("Delete the chosen images"), QKeySequence(Qt::Key_Delete),
               "strip-delete", &FrameStrip::deleteChosen);
    makeAction(tr("&Hold time…"), tr("How long the chosen images are shown"),
               QKeySequence(Qt::CTRL | Qt::Key_H), "strip-hold", &FrameStrip::askHoldTime);
    QAction* earlier =
        makeAction(tr("Move &earlier"), tr("Move the chosen images one place earlier"),
                   QKeySequence(Qt::ALT | (vertical ? Qt::Key_Up : Qt::Key_Left)), "strip-earlier",
                   &FrameStrip::moveEarlier);
    QAction* later = makeAction(tr("Move &later"), tr("Move the chosen images one place later"),
                                QKeySequence(Qt::ALT | (vertical ? Qt::Key_Down : Qt::Key_Right)),
                                "strip-later", &FrameStrip::moveLater);
    if (!vertical)
        for (QAction* move : {earlier, later})
            move->setIcon(turnedLeft(move->icon()));
    layOut(orientation);
    connect(list_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { goToClicked(current.row()); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &FrameStrip::chosenChanged);
    refresh();
}

FrameStrip::~FrameStrip() = default;

QAction* FrameStrip::makeAction(const QString& text, const QString& tip, QKeySequence key,
                                const char* icon, void (FrameStrip::*run)()) {
    auto* action = new QAction(Artwork::namedIcon(icon), text, this);
    action->setShortcut(key);
    // Only the list's own keys: the window has Insert and Delete for its buttons.
    action->setShortcutContext(Qt::WidgetShortcut);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(tip, key.toString(QKeySequence::NativeText)));
    connect(action, &QAction::triggered, this, run);
    actions_.append(action);
    return action;
}

void FrameStrip::layOut(Qt::Orientation orientation) {
    list_->setObjectName(QStringLiteral("frames"));
    list_->setAccessibleName(tr("Frames"));
    list_->setModel(thumbnails_);
    list_->setItemDelegate(new CurrentImageMark(list_));
    // Upright, the thumbnails fill the panel's width row after row, as many
    // as fit; across, they run in one row.
    list_->setFlow(QListView::LeftToRight);
    list_->setWrapping(orientation == Qt::Vertical);
    list_->setResizeMode(QListView::Adjust);
    list_->setIconSize(QSize(ThumbnailSide, ThumbnailSide));
    list_->setUniformItemSizes(true);
    list_->setSpacing(1);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setDragDropMode(QAbstractItemView::InternalMove);
    list_->setDefaultDropAction(Qt::MoveAction);
    list_->setContextMenuPolicy(Qt::ActionsContextMenu);
    list_->addActions(actions_);
    // The chosen images stay as plain to see while the board has the focus.
    QPalette palette = list_->palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    list_->setPalette(palette);

    status_->setObjectName(QStringLiteral("status"));
    status_->setWordWrap(true);
    status_->hide();

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(0);
    for (QAction* action : std::as_const(actions_)) {
        auto* button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setAccessibleName(action->iconText());
        button->setAutoRaise(true);
        button->setFocusPolicy(Qt::NoFocus); // its key belongs to the list
        buttons->addWidget(button);
    }
    auto* layout = new QBoxLayout(QBoxLayout::TopToBottom, this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    layout->addWidget(status_);
}

void FrameStrip::refresh() {
    const Animation& animation = editor_.animation();
    const Shown now{editor_.changeCount(), animation.storeRevision(), animation.imageCount(),
                    animation.currentImage(), editor_.playback().playing()};
    if (now == shown_)
        return;
    if (now.changes != shown_.changes || now.store != shown_.store || now.count != shown_.count)
        thumbnails_->sync();
    if (now.changes != shown_.changes || now.playing != shown_.playing)
        status_->hide(); // a refusal said before no longer stands
    // While the animation plays a click only asks for an image, which the
    // editor refuses: nothing may look chosen but the image playing.
    if (now.playing != shown_.playing)
        list_->setSelectionMode(now.playing ? QAbstractItemView::NoSelection
                                            : QAbstractItemView::ExtendedSelection);
    shown_ = now;
    showCurrent(now.current);
}

std::vector<int> FrameStrip::chosenImages() const {
    std::vector<int> images;
    for (const QModelIndex& index : list_->selectionModel()->selectedIndexes())
        images.push_back(index.row() + 1);
    std::sort(images.begin(), images.end());
    if (images.empty())
        images.push_back(editor_.animation().currentImage());
    return images;
}

void FrameStrip::goToClicked(int row) {
    if (following_ || row < 0)
        return;
    status_->hide();
    editor_.goToImage(row + 1);
    refresh();
    showCurrent(editor_.animation().currentImage()); // should the editor have refused
}

// The editor's image made the list's current one; the images chosen become
// that one alone unless it is among them.
void FrameStrip::showCurrent(int image) {
    const QModelIndex index = thumbnails_->index(image - 1);
    if (list_->currentIndex() != index) {
        const bool chosen = list_->selectionModel()->isSelected(index);
        following_ = true;
        list_->selectionModel()->setCurrentIndex(
            index, chosen ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
        following_ = false;
    }
    list_->scrollTo(index);
}

void FrameStrip::choose(int first, int count) {
    following_ = true;
    list_->selectionModel()->select(
        QItemSelection(thumbnails_->index(first - 1), thumbnails_->index(first + count - 2)),
        QItemSelectionModel::ClearAndSelect);
    list_->selectionModel()->setCurrentIndex(thumbnails_->index(first - 1),
                                             QItemSelectionModel::NoUpdate);
    following_ = false;
}

void FrameStrip::duplicateChosen() {
    const std::vector<int> images = chosenImages();
    std::vector<FrameStore::Frame> copies;
    std::vector<std::uint16_t> holds;
    for (int image : images) {
        copies.push_back(editor_.animation().frame(image));
        holds.push_back(static_cast<std::uint16_t>(editor_.animation().holdMs(image)));
    }
    const int before = images.back() + 1;
    report(editor_.insertFrames(before, copies, holds), before, static_cast<int>(copies.size()));
}

// One time for every chosen image; the lowest value stands for none, so that
// the spin box cannot offer a time of 1 to 39 ms.
void FrameStrip::askHoldTime() {
    const std::vector<int> images = chosenImages();
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Hold time"));
    auto* box = new QSpinBox(&dialog);
    box->setRange(NativeFormat::MinHoldMs - 1, NativeFormat::MaxHoldMs);
    box->setSpecialValueText(tr("none: the speed rules"));
    box->setSuffix(tr(" ms"));
    box->setSingleStep(10);
    box->setAccessibleName(tr("Hold time"));
    const int hold = editor_.animation().holdMs(images.front());
    box->setValue(hold > 0 ? hold : box->minimum());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* form = new QFormLayout(&dialog);
    form->addRow(new QLabel(images.size() == 1 ? tr("How long image %1 is shown:").arg(images[0])
                                               : tr("How long each of the %1 chosen images "
                                                    "is shown:")
                                                     .arg(images.size()),
                            &dialog));
    form->addRow(tr("&Hold"), box);
    form->addRow(buttons);
    box->selectAll();
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int ms = box->value() == box->minimum() ? 0 : box->value();
    report(editor_.setHoldTimes(images, ms));
}

void FrameStrip::insertEmpty() {
    const FrameStore::Frame dark{};
    const int before = editor_.animation().currentImage() + 1;
    report(editor_.insertFrames(before, std::span(&dark, 1)), before, 1);
}

void FrameStrip::deleteChosen() {
    report(editor_.deleteFrames(chosenImages()));
}

// Images chosen apart move together only by a drag, which gathers them where
// they are dropped; one place earlier or later is for images that lie together.
static bool together(const std::vector<int>& images) {
    return images.back() - images.front() + 1 == static_cast<int>(images.size());
}

void FrameStrip::moveEarlier() {
    const std::vector<int> images = chosenImages();
    if (!together(images))
        return report(tr("only images that lie together move one place; drag images apart "
                         "to gather them"));
    if (images.front() == 1)
        return report(tr("the first image cannot move earlier"));
    moveImages(images, images.front() - 1);
}

void FrameStrip::moveLater() {
    const std::vector<int> images = chosenImages();
    if (!together(images))
        return report(tr("only images that lie together move one place; drag images apart "
                         "to gather them"));
    if (images.back() == editor_.animation().imageCount())
        return report(tr("the last image cannot move later"));
    moveImages(images, images.back() + 2);
}

void FrameStrip::moveImages(std::vector<int> images, int before) {
    std::sort(images.begin(), images.end());
    images.erase(std::unique(images.begin(), images.end()), images.end());
    const int count = static_cast<int>(images.size());
    const int first =
        before -
        static_cast<int>(std::lower_bound(images.begin(), images.end(), before) - images.begin());
    report(editor_.moveFrames(std::move(images), before), first, count);
}

void FrameStrip::report(const QString& refusal, int first, int count) {
    refresh();
    status_->setText(refusal.isEmpty() ? QString() : tr("Not done: %1.").arg(refusal));
    status_->setVisible(!refusal.isEmpty());
    emit message(refusal);
    if (refusal.isEmpty() && first > 0)
        choose(first, count);
}
