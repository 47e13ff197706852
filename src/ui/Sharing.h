#pragma once

class Editor;
class QString;
class QWidget;
struct ExportOptions;

// Export and import in the window: each asks for its file with its own dialog,
// then for its settings, and says plainly when something fails.
namespace Sharing {

void exportAnimation(QWidget* parent, const Editor& editor);
void importPictures(QWidget* parent, Editor& editor);

// The export settings that apply to a file of that extension (lower case, no dot),
// starting from `options`; false when cancelled.
bool askExportOptions(QWidget* parent, const QString& suffix, ExportOptions& options);

} // namespace Sharing
