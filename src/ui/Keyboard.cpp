#include "ui/Keyboard.h"

#include "ui/SidePanel.h"

namespace Keyboard {

const QList<ButtonKeys>& buttonKeys() {
    using K = QKeySequence;
    static const QList<ButtonKeys> keys{
        {Control::NewFile, {K(Qt::CTRL | Qt::Key_N)}, "New file"},
        {Control::LoadFile, {K(Qt::CTRL | Qt::Key_O)}, "Load file"},
        {Control::SaveFile, {K(Qt::CTRL | Qt::Key_S)}, "Save file"},
        {Control::Slideshow, {K(Qt::CTRL | Qt::SHIFT | Qt::Key_O)}, "Slideshow"},
        {Control::Copy, {K(Qt::CTRL | Qt::Key_C)}, "Copy"},
        {Control::Paste, {K(Qt::CTRL | Qt::Key_V)}, "Paste"},
        {Control::StartStop, {K(Qt::Key_Space)}, "Start / Stop"},
        {Control::FirstImage, {K(Qt::Key_Home)}, "First image"},
        {Control::PreviousImage, {K(Qt::Key_PageUp)}, "Previous image"},
        {Control::NextImage, {K(Qt::Key_PageDown)}, "Next image"},
        {Control::LastImage, {K(Qt::Key_End)}, "Last image"},
        {Control::AddImage, {K(Qt::Key_Insert)}, "Add image"},
        {Control::DeleteImage, {K(Qt::Key_Delete)}, "Delete image"},
        {Control::EnlargeSpeed, {K(Qt::Key_Plus), K(Qt::Key_Equal)}, "Enlarge speed"},
        {Control::ReduceSpeed, {K(Qt::Key_Minus)}, "Reduce speed"},
        {Control::MaxSpeed, {K(Qt::CTRL | Qt::Key_Plus), K(Qt::CTRL | Qt::Key_Equal)}, "Max speed"},
        {Control::MinSpeed, {K(Qt::CTRL | Qt::Key_Minus)}, "Min speed"},
        {Control::ShiftUp, {K(Qt::CTRL | Qt::Key_Up)}, "Up"},
        {Control::ShiftDown, {K(Qt::CTRL | Qt::Key_Down)}, "Down"},
        {Control::ShiftLeft, {K(Qt::CTRL | Qt::Key_Left)}, "Left"},
        {Control::ShiftRight, {K(Qt::CTRL | Qt::Key_Right)}, "Right"},
        {Control::RotateLeft, {K(Qt::Key_BracketLeft)}, "Rotate left"},
        {Control::RotateRight, {K(Qt::Key_BracketRight)}, "Rotate right"},
        {Control::VerticalFlip, {K(Qt::Key_V)}, "Vertical flip (mirror left to right)"},
        {Control::HorizontalFlip, {K(Qt::Key_H)}, "Horizontal flip (mirror top to bottom)"},
        {Control::Invert, {K(Qt::Key_I)}, "Invert"},
        {Control::SetOrClearAll, {K(Qt::Key_A)}, "Set all / Clear all"},
        {Control::MatrixButton, {K(Qt::Key_B)}, "Matrix off / Matrix on (blank the board)"},
        {Control::LptButton, {K(Qt::Key_P)}, "LPT on / LPT off"},
    };
    return keys;
}

const QList<OtherKey>& otherKeys() {
    static const QList<OtherKey> keys{
        {"Ctrl+Z", "Undo"},
        {"Ctrl+Shift+Z, Ctrl+Y", "Redo"},
        {"F9", "Open or close the tools and frames beside the board (the handle at the "
               "window's right edge)"},
        {"T", "Text: letters on the frame (or the chosen frames), or scrolling after, over or "
              "in place of the frames"},
        {"O, Shift+O", "Onion skin: the previous image, the next image, faintly on the board"},
        {"Y", "Mirror: the tools draw mirrored left to right, top to bottom, both, or not"},
        {"Shift+Y", "Mirror axes through the LED under the pointer (or the board cursor); again "
                    "on that LED, back to the board's middle"},
        {"U", "Pixel-perfect pen: no corners where a fast diagonal drag turns"},
        {"F", "Apply to chosen frames: strokes, fills, pastes, text and the Image buttons "
              "change every frame chosen in the strip, in one step"},
        {"Esc", "Give up the stroke or selection being drawn; else drop the selection"},
        {"Ctrl+A", "Select all the LEDs (the Select tool); in the frame strip, choose every image"},
        {"Ctrl+C, Ctrl+X (with a selection)",
         "Copy, cut the selected LEDs (also as a picture for other programs); without one, "
         "Ctrl+C copies the whole image"},
        {"Ctrl+V (Select or Wand tool), Ctrl+Shift+V",
         "Paste the copied LEDs, or a picture from another program, where they were copied; "
         "they float until the selection is dropped"},
        {"Delete, Backspace (with a selection)", "Clear the selected LEDs"},
        {"Arrows, Shift+Arrows (with a selection)", "Move the selected LEDs one LED, four LEDs"},
        {"V, H, [, ], I, Ctrl+Arrows (with a selection)",
         "Mirror, turn, invert or shift the selected LEDs alone"},
        {"Click, Ctrl+click, Shift+click (frame strip)",
         "Show that image; choose several images; drag them to another place"},
        {"Shift+Arrows, Shift+Home, Shift+End (frame strip)",
         "Choose the images from the one shown to the one stepped to"},
        {"Ctrl+D (frame strip)", "Duplicate the chosen images"},
        {"Insert, Delete (frame strip)", "Insert an empty image; delete the chosen images"},
        {"Alt+Up, Alt+Down (frame strip)", "Move the chosen images earlier, later"},
        {"Ctrl+H (frame strip)",
         "Hold time: how long the chosen images are shown, or none (the speed rules)"},
        {"Comma, Full stop", "The level the tools draw with, down and up (0 dark to 15 full "
                             "light; below 15 the animation takes grey levels)"},
        {"K", "Play mode: loop, ping-pong, once"},
        {"Ctrl+Shift+A", "Open animation: a .qanim or .led file (Load file lists .led files)"},
        {"Ctrl+Shift+S",
         "Save animation: the program's own file (.qanim), with hold times, levels, play mode "
         "and name"},
        {"Ctrl+E", "Export (GIF, PNG, C source)"},
        {"Ctrl+I", "Import pictures"},
#ifdef QUENTARO_HAVE_NETWORK
        {"Ctrl+Shift+N", "Network panel (Art-Net nodes found, or an address)"},
        {"Ctrl+Shift+M", "Panel mapping (wiring, colour, brightness, test picture)"},
        {"Ctrl+Shift+L", "Live input: E1.31, Art-Net or DDP shown on the board, and recorded"},
        {"Menu, Shift+F10", "The Export, Import and network menu (also a right click on Load or "
                            "Save)"},
#else
        {"Menu, Shift+F10", "The Export and Import menu (also a right click on Load or Save)"},
#endif
        {"Tab", "Move between the board and the buttons"},
        {"Arrows (on the board)", "Move the cursor over the LEDs"},
        {"Space, Enter (on the board)",
         "Toggle the LED under the cursor (a click on the board brings the cursor there); "
         "with a drawing tool, start a stroke there, and after the arrows, finish it "
         "(Shift+Space: a rectangle or ellipse filled); while the animation plays, Space "
         "stops it"},
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
    for (const SidePanel::ToolEntry& t : SidePanel::tools())
        row(t.key.toString(QKeySequence::NativeText),
            QString::fromUtf8(t.what).replace(u':', QStringLiteral(" tool:")));
    for (const OtherKey& k : otherKeys())
        row(QString::fromUtf8(k.keys), QString::fromUtf8(k.what));
    return QStringLiteral("<table cellspacing=\"4\">%1</table>"
                          "<p>A key works while its button is shown.</p>")
        .arg(rows);
}

} // namespace Keyboard
