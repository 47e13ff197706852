#include "ui/ImportDialog.h"

#include "pictures/BoardRendering.h"
#include "ui/PlainText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPromise>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

using PictureImport::Fit;

namespace {

constexpr int PreviewScale = 10;
constexpr int DefaultThreshold = 128;

QString countText(std::size_t count) {
    if (count == 1)
        return ImportDialog::tr("One picture.");
    return ImportDialog::tr("%1 frames; the first is shown, all are imported.").arg(count);
}

QPixmap boardPicture(const PictureImport::Cells& frame, bool levels = false) {
    return QPixmap::fromImage(BoardRendering::renderFrame(frame, PreviewScale, levels));
}

} // namespace

ImportDialog::ImportDialog(const QString& path, QWidget* parent)
    : QDialog(parent), preview_(new QLabel(this)), status_(PlainText::label(new QLabel(this))),
      progress_(new QProgressBar(this)), settings_(new QWidget(this)),
      fit_(new QComboBox(settings_)), threshold_(new QSlider(Qt::Horizontal, settings_)),
      thresholdValue_(new QLabel(settings_)), invert_(new QCheckBox(tr("&Invert"), settings_)),
      shades_(new QCheckBox(tr("Keep &shades as grey levels"), settings_)),
      dither_(new QComboBox(settings_)),
      addAfterCurrent_(new QRadioButton(tr("&Add after the current image"), settings_)),
      replaceAnimation_(new QRadioButton(tr("&Replace the animation"), settings_)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setWindowTitle(tr("Import pictures"));
    setUpControls(QFileInfo(path).fileName());
    layOut();
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(fit_, &QComboBox::currentIndexChanged, this, &ImportDialog::updatePreview);
    connect(threshold_, &QSlider::valueChanged, this, &ImportDialog::updatePreview);
    connect(invert_, &QCheckBox::toggled, this, &ImportDialog::updatePreview);
    connect(shades_, &QCheckBox::toggled, this, &ImportDialog::updatePreview);
    connect(dither_, &QComboBox::currentIndexChanged, this, &ImportDialog::updatePreview);
    connect(this, &QDialog::finished, &reader_, &QFutureWatcherBase::cancel);
    startReading(path);
}

// While the pictures are read, only Cancel can be used.
void ImportDialog::setUpControls(const QString& fileName) {
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setFixedSize(FrameStore::Side * PreviewScale, FrameStore::Side * PreviewScale);
    preview_->setPixmap(boardPicture({}));
    status_->setObjectName(QStringLiteral("status"));
    status_->setText(tr("Reading \u201c%1\u201d\u2026").arg(fileName));
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, 0);
    progress_->setFormat(tr("%v of %m frames"));
    fit_->setObjectName(QStringLiteral("fit"));
    fit_->addItem(tr("Stretch"), int(Fit::Stretch));
    fit_->addItem(tr("Keep aspect, letterbox"), int(Fit::Letterbox));
    fit_->addItem(tr("Keep aspect, crop"), int(Fit::Crop));
    threshold_->setObjectName(QStringLiteral("threshold"));
    threshold_->setRange(0, 255);
    threshold_->setValue(DefaultThreshold);
    thresholdValue_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000")));
    thresholdValue_->setNum(threshold());
    invert_->setObjectName(QStringLiteral("invert"));
    shades_->setObjectName(QStringLiteral("shades"));
    shades_->setToolTip(tr("Each LED at one of 16 levels by the picture's brightness, in place "
                           "of lit or dark by the threshold"));
    dither_->setObjectName(QStringLiteral("dither"));
    dither_->addItem(tr("None: the nearest level"), int(PictureImport::Dither::None));
    dither_->addItem(tr("Ordered (4 \u00d7 4 pattern)"), int(PictureImport::Dither::Ordered));
    dither_->addItem(tr("Floyd\u2013Steinberg"), int(PictureImport::Dither::FloydSteinberg));
    dither_->setEnabled(false);
    connect(shades_, &QCheckBox::toggled, this, [this](bool on) {
        dither_->setEnabled(on);
        threshold_->setEnabled(!on);
    });
    addAfterCurrent_->setObjectName(QStringLiteral("addAfterCurrent"));
    replaceAnimation_->setObjectName(QStringLiteral("replaceAnimation"));
    addAfterCurrent_->setChecked(true);
    settings_->setEnabled(false);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(false);
    buttons_->button(QDialogButtonBox::Cancel)->setFocus();
}

void ImportDialog::layOut() {
    auto* thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(threshold_);
    thresholdRow->addWidget(thresholdValue_);
    auto* form = new QFormLayout(settings_);
    form->setContentsMargins(0, 0, 0, 0);
    auto* fitLabel = new QLabel(tr("&Fit:"), settings_);
    fitLabel->setBuddy(fit_);
    form->addRow(fitLabel, fit_);
    auto* thresholdLabel = new QLabel(tr("&Threshold:"), settings_);
    thresholdLabel->setBuddy(threshold_);
    form->addRow(thresholdLabel, thresholdRow);
    form->addRow(QString(), invert_);
    form->addRow(QString(), shades_);
    auto* ditherLabel = new QLabel(tr("&Dither:"), settings_);
    ditherLabel->setBuddy(dither_);
    form->addRow(ditherLabel, dither_);
    form->addRow(QString(), addAfterCurrent_);
    form->addRow(QString(), replaceAnimation_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(preview_, 0, Qt::AlignHCenter);
    layout->addWidget(status_, 0, Qt::AlignHCenter);
    layout->addWidget(progress_);
    layout->addWidget(settings_);
    layout->addWidget(buttons_);
}

// A reading still under way stops at its next picture; nothing waits for it.
ImportDialog::~ImportDialog() {
    reader_.cancel();
}

void ImportDialog::startReading(const QString& path) {
    using PictureImport::ImportResult;
    connect(&reader_, &QFutureWatcherBase::progressRangeChanged, this,
            &ImportDialog::showProgressRange);
    connect(&reader_, &QFutureWatcherBase::progressValueChanged, progress_,
            &QProgressBar::setValue);
    connect(&reader_, &QFutureWatcherBase::finished, this, &ImportDialog::takePictures);
    reader_.setFuture(QtConcurrent::run([path](QPromise<ImportResult>& promise) {
        promise.addResult(PictureImport::readPictures(path, [&promise](int done, int total) {
            if (done == 0)
                promise.setProgressRange(0, total);
            promise.setProgressValue(done);
            return !promise.isCanceled();
        }));
    }));
}

// A single picture gives no steps to count: the bar stays busy.
void ImportDialog::showProgressRange(int minimum, int maximum) {
    if (maximum > 1)
        progress_->setRange(minimum, maximum);
}

void ImportDialog::takePictures() {
    if (reader_.isCanceled() || reader_.future().resultCount() == 0)
        return;
    reading_ = false;
    PictureImport::ImportResult result = reader_.future().takeResult();
    if (!result.ok) {
        error_ = result.error;
        reject();
        return;
    }
    pictures_ = std::move(result.pictures);
    delaysMs_ = std::move(result.delaysMs);
    progress_->hide();
    status_->setText(countText(pictures_.size()));
    threshold_->setValue(PictureImport::meanBrightness(pictures_, fit()));
    settings_->setEnabled(true);
    QPushButton* ok = buttons_->button(QDialogButtonBox::Ok);
    ok->setEnabled(true);
    ok->setDefault(true);
    ok->setFocus();
    updatePreview();
}

bool ImportDialog::reading() const {
    return reading_;
}

QString ImportDialog::error() const {
    return error_;
}

int ImportDialog::threshold() const {
    return threshold_->value();
}

bool ImportDialog::inverted() const {
    return invert_->isChecked();
}

Fit ImportDialog::fit() const {
    return static_cast<Fit>(fit_->currentData().toInt());
}

ImportDialog::Mode ImportDialog::mode() const {
    return replaceAnimation_->isChecked() ? Mode::ReplaceAnimation : Mode::AddAfterCurrent;
}

bool ImportDialog::keepsShades() const {
    return shades_->isChecked();
}

PictureImport::Dither ImportDialog::dither() const {
    return static_cast<PictureImport::Dither>(dither_->currentData().toInt());
}

PictureImport::Conversion ImportDialog::conversion() const {
    return {keepsShades(), threshold(), inverted(), dither()};
}

std::vector<PictureImport::Cells> ImportDialog::frames() const {
    return converted().frames;
}

PictureImport::Converted ImportDialog::converted() const {
    if (!keepsShades())
        return {PictureImport::toFrames(pictures_, threshold(), inverted(), fit()), false};
    return PictureImport::convert(pictures_, conversion(), fit());
}

PictureImport::Cells ImportDialog::previewFrame() const {
    if (pictures_.empty())
        return {};
    if (keepsShades())
        return PictureImport::shadesOf(pictures_.front(), conversion(), fit());
    return PictureImport::threshold(pictures_.front()[fit()], threshold(), inverted());
}

void ImportDialog::updatePreview() {
    thresholdValue_->setNum(threshold());
    preview_->setPixmap(boardPicture(previewFrame(), keepsShades()));
}
