#include "ui/Accessibility.h"

#include "editor/Controls.h"
#include "frames/FrameStore.h"
#include "ui/Artwork.h"
#include "ui/BoardView.h"
#include "ui/Form1.h"
#include "ui/IconStore.h"
#include "ui/Keyboard.h"
#include "ui/MouseSurface.h"

#include <QAccessibleWidget>
#include <QGroupBox>
#include <QPointer>
#include <QToolButton>
#include <QWindow>
#include <array>

namespace {

constexpr int Side = FrameStore::Side;
constexpr int Cells = FrameStore::CellsPerFrame;
// The table's children: the cells in their own order (row by row from the
// top-left, so that a child's index is its cell), then the column headers,
// then the row headers.
constexpr int FirstColumnHeader = Cells;
constexpr int FirstRowHeader = FirstColumnHeader + Side;
constexpr int ChildCount = FirstRowHeader + Side;

// The table counts its rows from the top, as tables do; the names count them
// from the bottom, as the board's own labels do.
QString rowName(int row) {
    return QStringLiteral("Row %1").arg(Side - row);
}

QString columnName(int column) {
    return QStringLiteral("Column %1").arg(column + 1);
}

// Children that are no control of their own: the hidden icon stores, and the
// board's picture, which the table of LEDs speaks for.
bool leftOut(const QWidget* widget) {
    return widget->isWindow() || qobject_cast<const IconStore*>(widget) ||
           qobject_cast<const BoardView*>(widget);
}

// The window and its groups, with the children a user can meet.
class Container final : public QAccessibleWidget {
public:
    Container(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    int childCount() const override { return static_cast<int>(children().size()); }
    QAccessibleInterface* child(int index) const override {
        const QList<QWidget*> all = children();
        return index >= 0 && index < all.size() ? QAccessible::queryAccessibleInterface(all[index])
                                                : nullptr;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return child ? static_cast<int>(children().indexOf(qobject_cast<QWidget*>(child->object())))
                     : -1;
    }
    QString text(QAccessible::Text t) const override {
        const auto* group = qobject_cast<const QGroupBox*>(widget());
        if (t == QAccessible::Name && group && widget()->accessibleName().isEmpty())
            return group->title().trimmed();
        return QAccessibleWidget::text(t);
    }

private:
    QList<QWidget*> children() const {
        QList<QWidget*> shown;
        for (QObject* object : widget()->children())
            if (auto* w = qobject_cast<QWidget*>(object); w && !leftOut(w))
                shown << w;
        return shown;
    }
};

// A button that also names the keys that press it.
class KeyedButton final : public QAccessibleWidget {
public:
    KeyedButton(QToolButton* button, QList<QKeySequence> keys)
        : QAccessibleWidget(button, QAccessible::Button), keys_(std::move(keys)) {}

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction())
            QAccessibleWidget::doAction(action);
        else if (button()->isVisible() && button()->isEnabled())
            button()->click();
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        QStringList names;
        if (action == pressAction())
            for (const QKeySequence& key : keys_)
                names << key.toString();
        return names;
    }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
    QList<QKeySequence> keys_;
};

// A cell or header of the board's table: no object of its own, it lives as long
// as the table does.
class BoardItem : public QAccessibleInterface {
public:
    BoardItem(MouseSurface* surface, int index) : surface_(surface), index_(index) {}

    int index() const { return index_; }
    bool belongsTo(const QObject* surface) const { return surface_ == surface; }

    bool isValid() const override { return !surface_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return surface_ ? surface_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(surface_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    // A square of the board's grid, in screen pixels; -1 is the label strip.
    QRect square(int row, int column) const {
        const QPoint topLeft(column * Artwork::LedSize, row * Artwork::LedSize);
        return {surface_->mapToGlobal(topLeft), QSize(Artwork::LedSize, Artwork::LedSize)};
    }

    QPointer<MouseSurface> surface_;
    int index_;
};

class BoardHeader final : public BoardItem {
public:
    using BoardItem::BoardItem;

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return {};
        return isColumn() ? columnName(index_ - FirstColumnHeader)
                          : rowName(index_ - FirstRowHeader);
    }
    QRect rect() const override {
        return isColumn() ? square(-1, index_ - FirstColumnHeader)
                          : square(index_ - FirstRowHeader, -1);
    }
    QAccessible::Role role() const override {
        return isColumn() ? QAccessible::ColumnHeader : QAccessible::RowHeader;
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !surface_->isVisible();
        return s;
    }

private:
    bool isColumn() const { return index_ < FirstRowHeader; }
};

// One LED: checked while lit. Toggling it does what Space on the board does.
class BoardCell final : public BoardItem,
                        public QAccessibleTableCellInterface,
                        public QAccessibleActionInterface {
public:
    using BoardItem::BoardItem;

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name)
            return {};
        return QStringLiteral("%1, column %2").arg(rowName(rowIndex())).arg(columnIndex() + 1);
    }
    QRect rect() const override { return square(rowIndex(), columnIndex()); }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !surface_->isVisible();
        s.focusable = true;
        s.focused = surface_->hasFocus() && surface_->cursorCell() == index_;
        s.checkable = true;
        s.checked = surface_->board() && surface_->board()->isCellShown(index_);
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface*>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        return nullptr;
    }

    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        return {parent()->child(FirstColumnHeader + columnIndex())};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override {
        return {parent()->child(FirstRowHeader + rowIndex())};
    }
    int columnIndex() const override { return index_ % Side; }
    int rowIndex() const override { return index_ / Side; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

    QStringList actionNames() const override { return {toggleAction(), setFocusAction()}; }
    void doAction(const QString& action) override {
        if (action == toggleAction())
            surface_->requestToggle(index_);
        if (action == setFocusAction()) {
            surface_->setFocus(Qt::OtherFocusReason);
            surface_->setCursorCell(index_);
        }
    }
    QStringList keyBindingsForAction(const QString& action) const override {
        if (action == toggleAction())
            return {QKeySequence(Qt::Key_Space).toString(),
                    QKeySequence(Qt::Key_Return).toString()};
        return {};
    }
};

// The board: a table of the 256 LEDs with a header for every row and column,
// whose focus is the cell under the keyboard cursor.
class BoardTable final : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit BoardTable(MouseSurface* surface) : QAccessibleWidget(surface, QAccessible::Table) {}
    ~BoardTable() override {
        for (QAccessible::Id id : ids_)
            if (id != 0)
                QAccessible::deleteAccessibleInterface(id);
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface)
            return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return QStringLiteral("LED matrix");
        if (t == QAccessible::Description && widget()->accessibleDescription().isEmpty())
            return QStringLiteral("The arrow keys move over the LEDs, Space or Enter lights or "
                                  "darkens the one under the cursor");
        return QAccessibleWidget::text(t);
    }

    int childCount() const override { return ChildCount; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= ChildCount)
            return nullptr;
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0) {
            auto* item = index < Cells
                             ? static_cast<QAccessibleInterface*>(new BoardCell(surface(), index))
                             : new BoardHeader(surface(), index);
            id = QAccessible::registerAccessibleInterface(item);
        }
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto* item = dynamic_cast<const BoardItem*>(child);
        return item && item->belongsTo(surface()) ? item->index() : -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = surface()->mapFromGlobal(QPoint(x, y));
        if (!surface()->rect().contains(at))
            return nullptr;
        const int column = std::min(at.x() / Artwork::LedSize, Side - 1);
        const int row = std::min(at.y() / Artwork::LedSize, Side - 1);
        return child(row * Side + column);
    }
    QAccessibleInterface* focusChild() const override {
        return surface()->hasFocus() ? child(surface()->cursorCell()) : nullptr;
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        const bool inside = row >= 0 && row < Side && column >= 0 && column < Side;
        return inside ? child(row * Side + column) : nullptr;
    }
    QString columnDescription(int column) const override { return columnName(column); }
    QString rowDescription(int row) const override { return rowName(row); }
    int columnCount() const override { return Side; }
    int rowCount() const override { return Side; }
    // Nothing on the board is ever selected.
    int selectedCellCount() const override { return 0; }
    QList<QAccessibleInterface*> selectedCells() const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    MouseSurface* surface() const { return static_cast<MouseSurface*>(widget()); }

    mutable std::array<QAccessible::Id, ChildCount> ids_{};
};

QList<QKeySequence> keysOf(const QString& buttonName) {
    for (const Keyboard::ButtonKeys& b : Keyboard::buttonKeys())
        if (buttonName == QLatin1String(entryOf(b.control).name))
            return b.keys;
    return {};
}

// Only the editor's window gets these; every other window keeps Qt's own.
QAccessibleInterface* interfaceFor(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !qobject_cast<Form1*>(widget->window()))
        return nullptr;
    if (widget->isWindow())
        return new Container(widget, QAccessible::Window);
    if (qobject_cast<QGroupBox*>(widget))
        return new Container(widget, QAccessible::Grouping);
    if (auto* surface = qobject_cast<MouseSurface*>(widget))
        return new BoardTable(surface);
    if (auto* button = qobject_cast<QToolButton*>(widget))
        if (QList<QKeySequence> keys = keysOf(button->objectName()); !keys.isEmpty())
            return new KeyedButton(button, std::move(keys));
    return nullptr;
}

} // namespace

namespace Accessibility {

void install() {
    static const bool installed = [] {
        QAccessible::installFactory(interfaceFor);
        return true;
    }();
    Q_UNUSED(installed);
}

void cellChanged(MouseSurface* board, int cell) {
    if (!QAccessible::isActive())
        return;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(board, changed);
    event.setChild(cell);
    QAccessible::updateAccessibility(&event);
}

void cursorMoved(MouseSurface* board, int cell) {
    if (!QAccessible::isActive() || !board->hasFocus())
        return;
    QAccessibleEvent event(board, QAccessible::Focus);
    event.setChild(cell);
    QAccessible::updateAccessibility(&event);
}

} // namespace Accessibility
