#include "ui/Sharing.h"

#include "editor/Editor.h"
#include "pictures/AnimationExport.h"
#include "ui/ImportDialog.h"
#include "ui/PlainText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QMessageBox>
#include <QSpinBox>
#include <numeric>
#include <optional>

namespace Sharing {
namespace {

const QString GifFilter = QStringLiteral("Animated GIF (*.gif)");
const QString PngFilter = QStringLiteral("PNG picture (*.png)");
const QString CFilter = QStringLiteral("C header (*.h)");

// The caption the editor gives the window names the animation's file.
const QString CaptionPrefix = QStringLiteral("QUENTARO - ");

QString extensionOf(const QString& filter) {
    if (filter == PngFilter)
        return QStringLiteral("png");
    if (filter == CFilter)
        return QStringLiteral("h");
    return QStringLiteral("gif");
}

// The extension the chosen filter stands for, added when the name has none.
QString withExtension(QString path, const QString& filter) {
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + extensionOf(filter);
}

void warn(QWidget* parent, const QString& text) {
    PlainText::warning(parent, QStringLiteral("Attention!"), text);
}

// The file the animation was loaded from or saved as, by the caption: "NEW"
// for one never saved; during a slideshow the playlist, a backslash and the
// entry, which lies beside the playlist unless it is absolute.
QString animationFile(const Editor& editor) {
    QString shown = editor.panel().caption;
    if (!shown.startsWith(CaptionPrefix))
        return {};
    shown.remove(0, CaptionPrefix.size());
    const QString playlist = QString::fromStdString(editor.slideshow().path());
    if (!playlist.isEmpty() && shown.startsWith(playlist + QLatin1Char('\\'))) {
        const QString entry = shown.mid(playlist.size() + 1);
        return QFileInfo(entry).isAbsolute() ? entry : QFileInfo(playlist).dir().filePath(entry);
    }
    return shown == QStringLiteral("NEW") ? QString() : shown;
}

// The animation's name with the filter's extension, in the folder it came
// from; "animation" in the dialog's own folder for one never saved.
QString suggestedName(const Editor& editor, const QString& filter) {
    const QFileInfo file(animationFile(editor));
    const QString name =
        (file.fileName().isEmpty() ? QStringLiteral("animation") : file.completeBaseName()) +
        QLatin1Char('.') + extensionOf(filter);
    return file.fileName().isEmpty() ? name : file.dir().filePath(name);
}

// Asks where to export, starting from the animation's name as a GIF (Qt's
// dialog gives the name the extension of another kind chosen). Empty when
// cancelled.
QString askExportPath(QWidget* parent, const Editor& editor) {
    QFileDialog dialog(parent, QStringLiteral("Export"), QString(),
                       QStringList{GifFilter, PngFilter, CFilter}.join(QStringLiteral(";;")));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.selectFile(suggestedName(editor, GifFilter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return withExtension(dialog.selectedFiles().constFirst(), dialog.selectedNameFilter());
}

// What an export wrote, for the message that says it is done.
QString exportedWhat(const QString& suffix, const ExportOptions& options, int frameCount,
                     int currentImage) {
    if (suffix == QStringLiteral("png") && options.pngMode == PngMode::CurrentFrame)
        return QStringLiteral("image %1 of %2 as a PNG picture").arg(currentImage).arg(frameCount);
    const QString frames =
        frameCount == 1 ? QStringLiteral("1 frame") : QStringLiteral("%1 frames").arg(frameCount);
    if (suffix == QStringLiteral("png"))
        return frames + QStringLiteral(" as one PNG sprite sheet");
    if (suffix == QStringLiteral("h"))
        return frames + QStringLiteral(" as a C header");
    return frames + QStringLiteral(" as an animated GIF");
}

// The settings of a C header: how the frames are laid out for a microcontroller.
struct CHeaderInputs {
    QComboBox* bitOrder = nullptr;
    QComboBox* scan = nullptr;
    QComboBox* levels = nullptr;
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
    using Levels = CHeaderLayout::Levels;
    inputs.levels = new QComboBox(&dialog);
    inputs.levels->addItem(QStringLiteral("Four bit planes per frame"),
                           QVariant::fromValue(int(Levels::Planes)));
    inputs.levels->addItem(QStringLiteral("A byte per LED, 0 to 15"),
                           QVariant::fromValue(int(Levels::Bytes)));
    inputs.levels->setToolTip(QStringLiteral(
        "How an animation with grey levels is written (docs/exports.md): bit planes of weight "
        "1, 2, 4 and 8 in the bit order and scan above, or one byte per LED in the scan above. "
        "An on/off animation is written as always."));
    inputs.levels->setCurrentIndex(inputs.levels->findData(int(layout.levels)));
    form.addRow(QStringLiteral("Grey levels:"), inputs.levels);
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
    layout.levels = CHeaderLayout::Levels(inputs.levels->currentData().toInt());
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
    const QString path = askExportPath(parent, editor);
    if (path.isEmpty())
        return;
    const QString suffix = QFileInfo(path).suffix().toLower();
    ExportOptions options;
    if (!askExportOptions(parent, suffix, options))
        return;
    const Animation& animation = editor.animation();
    std::vector<int> images(static_cast<std::size_t>(animation.imageCount()));
    std::iota(images.begin(), images.end(), 1);
    const std::vector<std::uint16_t> holds =
        animation.hasHoldTimes() ? animation.holdsOf(images) : std::vector<std::uint16_t>{};
    const ExportResult result = ::exportAnimation(
        path,
        {animation.images(), animation.imageCount(), animation.currentImage(),
         editor.playback().intervalMs(), animation.hasLevels(), holds, animation.playMode()},
        options);
    if (!result.ok)
        return warn(parent,
                    QStringLiteral("%1 could not be exported:\n%2").arg(path, result.error));
    QMessageBox done(
        QMessageBox::Information, QStringLiteral("Export"),
        QStringLiteral("Wrote %1 to\n%2")
            .arg(exportedWhat(suffix, options, animation.imageCount(), animation.currentImage()),
                 QDir::toNativeSeparators(path)),
        QMessageBox::Ok, parent);
    PlainText::box(done);
    done.exec();
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
    const PictureImport::Converted converted = dialog.converted();
    const QString why = editor.importFrames(
        converted.frames, dialog.mode() == ImportDialog::Mode::ReplaceAnimation,
        converted.hasLevels,
        PictureImport::holdTimes(dialog.delaysMs(), editor.playback().intervalMs()));
    if (!why.isEmpty())
        warn(parent, QStringLiteral("%1 could not be imported:\n%2").arg(path, why));
}

} // namespace Sharing
