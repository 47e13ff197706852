#include "ui/Keyboard.h"

namespace Keyboard {

const QList<ButtonKeys>& buttonKeys() {
    using K = QKeySequence;
    static const QList<ButtonKeys> keys{
        {Control::Command18, {K(Qt::CTRL | Qt::Key_N)}, "New file"},
        {Control::Command17, {K(Qt::CTRL | Qt::Key_O)}, "Load file"},
        {Control::Command20, {K(Qt::CTRL | Qt::Key_S)}, "Save file"},
        {Control::Command28, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}, "Slideshow"},
        {Control::Command8, {K(Qt::CTRL | Qt::Key_C)}, "Copy"},
        {Control::Command16, {K(Qt::CTRL | Qt::Key_V)}, "Paste"},
        {Control::Command33, {K(Qt::Key_Space)}, "Start / Stop"},
        {Control::Command21, {K(Qt::Key_Home)}, "First image"},
        {Control::Command22, {K(Qt::Key_PageUp)}, "Previous image"},
        {Control::Command23, {K(Qt::Key_PageDown)}, "Next image"},
        {Control::Command24, {K(Qt::Key_End)}, "Last image"},
        {Control::Command25, {K(Qt::Key_Insert)}, "Add image"},
        {Control::Command26, {K(Qt::Key_Delete)}, "Delete image"},
        {Control::Command3, {K(Qt::Key_Plus), K(Qt::Key_Equal)}, "Enlarge speed"},
        {Control::Command2, {K(Qt::Key_Minus)}, "Reduce speed"},
        {Control::Command4, {K(Qt::CTRL | Qt::Key_Plus), K(Qt::CTRL | Qt::Key_Equal)}, "Max speed"},
        {Control::Command1, {K(Qt::CTRL | Qt::Key_Minus)}, "Min speed"},
        {Control::Command6, {K(Qt::CTRL | Qt::Key_Up)}, "Up"},
        {Control::Command14, {K(Qt::CTRL | Qt::Key_Down)}, "Down"},
        {Control::Command9, {K(Qt::CTRL | Qt::Key_Left)}, "Left"},
        {Control::Command11, {K(Qt::CTRL | Qt::Key_Right)}, "Right"},
        {Control::Command13, {K(Qt::Key_BracketLeft)}, "Rotate left"},
        {Control::Command15, {K(Qt::Key_BracketRight)}, "Rotate right"},
        {Control::Command5, {K(Qt::Key_V)}, "Vertical flip (mirror left to right)"},
        {Control::Command7, {K(Qt::Key_H)}, "Horizontal flip (mirror top to bottom)"},
        {Control::Command10, {K(Qt::Key_I)}, "Invert"},
        {Control::Command12, {K(Qt::Key_A)}, "Set all / Clear all"},
        {Control::Command27, {K(Qt::Key_B)}, "Matrix off / Matrix on (blank the board)"},
        {Control::Command19, {K(Qt::Key_P)}, "LPT on / LPT off"},
    };
    return keys;
}

const QList<OtherKey>& otherKeys() {
    static const QList<OtherKey> keys{
        {"Ctrl+Z", "Undo"},
        {"Ctrl+Shift+Z, Ctrl+Y", "Redo"},
        {"Ctrl+E", "Export (GIF, PNG, C source)"},
        {"Ctrl+I", "Import pictures"},
        {"Menu, Shift+F10", "The Export and Import menu (also a right click on Load or Save)"},
        {"Tab", "Move between the board and the buttons"},
        {"Arrows (on the board)", "Move the cursor over the LEDs"},
        {"Space, Enter (on the board)", "Toggle the LED under the cursor"},
        {"F1", "This help"},
    };
    return keys;
}

QString helpText() {
    QString rows;
    const auto row = [&rows](const QString& keys, const QString& what) {
        rows += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>")
                    .arg(keys.toHtmlEscaped(), what.toHtmlEscaped());
    };
    for (const ButtonKeys& b : buttonKeys()) {
        QStringList names;
        for (const QKeySequence& k : b.keys)
            names << k.toString(QKeySequence::NativeText);
        row(names.join(QStringLiteral(", ")), QString::fromUtf8(b.what));
    }
    for (const OtherKey& k : otherKeys())
        row(QString::fromUtf8(k.keys), QString::fromUtf8(k.what));
    return QStringLiteral("<table cellspacing=\"4\">%1</table>"
                          "<p>A key works while its button is shown.</p>")
        .arg(rows);
}

} // namespace Keyboard
