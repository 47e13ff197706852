#pragma once

class Editor;
class QWidget;

// Export and import in the window: each asks for its file with its own dialog,
// then for its settings, and says plainly when something fails.
namespace Sharing {

void exportAnimation(QWidget* parent, const Editor& editor);
void importPictures(QWidget* parent, Editor& editor);

} // namespace Sharing
