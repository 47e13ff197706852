#include "ui/Sharing.h"

#include "editor/Editor.h"
#include "pictures/AnimationExport.h"
#include "ui/ImportDialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QMessageBox>
#include <QSpinBox>

namespace Sharing {
namespace {

const QString GifFilter = QStringLiteral("Animated GIF (*.gif)");
const QString PngFilter = QStringLiteral("PNG picture (*.png)");
const QString CFilter = QStringLiteral("C header (*.h)");

// The extension the chosen filter stands for, added when the name has none.
QString withExtension(QString path, const QString& filter) {
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    if (filter == PngFilter)
        return path + QStringLiteral(".png");
    if (filter == CFilter)
        return path + QStringLiteral(".h");
    return path + QStringLiteral(".gif");
}

void warn(QWidget* parent, const QString& text) {
    QMessageBox::warning(parent, QStringLiteral("Attention!"), text);
}

} // namespace

// Only the settings of the file's kind are made, so nothing lies outside the
// layout, and the focus starts on the first of them.
bool askExportOptions(QWidget* parent, const QString& suffix, ExportOptions& options) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("Export"));
    auto* form = new QFormLayout(&dialog);
    QSpinBox* scale = nullptr;
    QCheckBox* sheet = nullptr;
    QCheckBox* progmem = nullptr;
    if (suffix == QStringLiteral("h")) {
        progmem = new QCheckBox(QStringLiteral("In AVR program memory (PROGMEM)"), &dialog);
        progmem->setChecked(options.progmem);
        form->addRow(progmem);
    } else {
        scale = new QSpinBox(&dialog);
        scale->setRange(1, 16);
        scale->setValue(options.scale);
        scale->setSuffix(QStringLiteral(" px per LED"));
        form->addRow(QStringLiteral("Scale:"), scale);
        if (suffix == QStringLiteral("png")) {
            sheet = new QCheckBox(QStringLiteral("All images, as one sprite sheet"), &dialog);
            sheet->setChecked(options.pngMode == PngMode::SpriteSheet);
            form->addRow(sheet);
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (progmem)
        progmem->setFocus();
    else
        scale->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (scale)
        options.scale = scale->value();
    if (sheet)
        options.pngMode = sheet->isChecked() ? PngMode::SpriteSheet : PngMode::CurrentFrame;
    if (progmem)
        options.progmem = progmem->isChecked();
    return true;
}

void exportAnimation(QWidget* parent, const Editor& editor) {
    QString filter = GifFilter;
    QString path = QFileDialog::getSaveFileName(
        parent, QStringLiteral("Export"), QString(),
        QStringList{GifFilter, PngFilter, CFilter}.join(QStringLiteral(";;")), &filter);
    if (path.isEmpty())
        return;
    path = withExtension(path, filter);
    ExportOptions options;
    if (!askExportOptions(parent, QFileInfo(path).suffix().toLower(), options))
        return;
    const Animation& animation = editor.animation();
    const ExportResult result =
        ::exportAnimation(path, animation.images(), animation.imageCount(),
                          animation.currentImage(), editor.playback().intervalMs(), options);
    if (!result.ok)
        warn(parent, QStringLiteral("%1 could not be exported:\n%2").arg(path, result.error));
}

void importPictures(QWidget* parent, Editor& editor) {
    const QString path = QFileDialog::getOpenFileName(
        parent, QStringLiteral("Import pictures"), QString(),
        QStringLiteral("Pictures (*.png *.bmp *.jpg *.jpeg *.gif);;All files (*)"));
    if (path.isEmpty())
        return;
    ImportDialog dialog(path, parent);
    if (dialog.exec() != QDialog::Accepted) {
        if (!dialog.error().isEmpty())
            warn(parent, QStringLiteral("%1 could not be imported:\n%2").arg(path, dialog.error()));
        return;
    }
    const std::vector<PictureImport::Cells> frames = dialog.frames();
    const QString why =
        editor.importFrames(frames, dialog.mode() == ImportDialog::Mode::ReplaceAnimation);
    if (!why.isEmpty())
        warn(parent, QStringLiteral("%1 could not be imported:\n%2").arg(path, why));
}

} // namespace Sharing
