#include "ui/Sharing.h"

#include "editor/Editor.h"
#include "pictures/AnimationExport.h"
#include "ui/ImportDialog.h"
#include "ui/PlainText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QMessageBox>
#include <QSpinBox>
#include <optional>

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
    PlainText::warning(parent, QStringLiteral("Attention!"), text);
}

// The settings of a C header: how the frames are laid out for a microcontroller.
struct CHeaderInputs {
    QComboBox* bitOrder = nullptr;
    QComboBox* scan = nullptr;
    QCheckBox* delays = nullptr;
    QCheckBox* progmem = nullptr;
};

CHeaderInputs addCHeaderInputs(QDialog& dialog, QFormLayout& form, const CHeaderLayout& layout) {
    using BitOrder = CHeaderLayout::BitOrder;
    using Scan = CHeaderLayout::Scan;
    CHeaderInputs inputs;
    inputs.bitOrder = new QComboBox(&dialog);
    inputs.bitOrder->addItem(QStringLiteral("Least significant first (uint16_t)"),
                             QVariant::fromValue(int(BitOrder::LsbFirst)));
    inputs.bitOrder->addItem(QStringLiteral("Most significant first (bytes, for drawBitmap)"),
                             QVariant::fromValue(int(BitOrder::MsbFirst)));
    inputs.bitOrder->setToolTip(
        QStringLiteral("Least significant first: one uint16_t per line, bit k is LED k from the "
                       "left or the top.\nMost significant first: two bytes per line, the first "
                       "LED in bit 7, as Adafruit GFX drawBitmap and MAX7219 8\u00d78 modules "
                       "read them."));
    inputs.bitOrder->setCurrentIndex(inputs.bitOrder->findData(int(layout.bitOrder)));
    form.addRow(QStringLiteral("Bit order:"), inputs.bitOrder);
    inputs.scan = new QComboBox(&dialog);
    inputs.scan->addItem(QStringLiteral("Row by row, from the top"),
                         QVariant::fromValue(int(Scan::Rows)));
    inputs.scan->addItem(QStringLiteral("Column by column, from the left"),
                         QVariant::fromValue(int(Scan::Columns)));
    inputs.scan->setCurrentIndex(inputs.scan->findData(int(layout.scan)));
    form.addRow(QStringLiteral("Scan:"), inputs.scan);
    inputs.delays =
        new QCheckBox(QStringLiteral("Each frame's delay in ms (frame_delays_ms)"), &dialog);
    inputs.delays->setChecked(layout.delays);
    form.addRow(inputs.delays);
    inputs.progmem = new QCheckBox(QStringLiteral("In AVR program memory (PROGMEM)"), &dialog);
    inputs.progmem->setChecked(layout.progmem);
    form.addRow(inputs.progmem);
    return inputs;
}

void readCHeaderInputs(const CHeaderInputs& inputs, CHeaderLayout& layout) {
    layout.bitOrder = CHeaderLayout::BitOrder(inputs.bitOrder->currentData().toInt());
    layout.scan = CHeaderLayout::Scan(inputs.scan->currentData().toInt());
    layout.delays = inputs.delays->isChecked();
    layout.progmem = inputs.progmem->isChecked();
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
    std::optional<CHeaderInputs> cHeader;
    if (suffix == QStringLiteral("h")) {
        cHeader = addCHeaderInputs(dialog, *form, options.cHeader);
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
    if (cHeader)
        cHeader->bitOrder->setFocus();
    else
        scale->setFocus();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    if (scale)
        options.scale = scale->value();
    if (sheet)
        options.pngMode = sheet->isChecked() ? PngMode::SpriteSheet : PngMode::CurrentFrame;
    if (cHeader)
        readCHeaderInputs(*cHeader, options.cHeader);
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
