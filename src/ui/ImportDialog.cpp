#include "ui/ImportDialog.h"

#include "export/BoardRendering.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QSlider>
#include <QVBoxLayout>

namespace {

constexpr int PreviewScale = 10;

QString countText(std::size_t count) {
    if (count == 1)
        return ImportDialog::tr("One picture.");
    return ImportDialog::tr("%1 frames; the first is shown, all are imported.").arg(count);
}

} // namespace

ImportDialog::ImportDialog(const std::vector<QImage>& pictures, QWidget* parent)
    : QDialog(parent), threshold_(new QSlider(Qt::Horizontal, this)),
      thresholdValue_(new QLabel(this)), invert_(new QCheckBox(tr("&Invert"), this)),
      preview_(new QLabel(this)),
      addAfterCurrent_(new QRadioButton(tr("&Add after the current image"), this)),
      replaceAnimation_(new QRadioButton(tr("&Replace the animation"), this)) {
    setWindowTitle(tr("Import pictures"));
    grey_.reserve(pictures.size());
    for (const QImage& picture : pictures)
        grey_.push_back(PictureImport::greyLevels(picture));

    threshold_->setObjectName(QStringLiteral("threshold"));
    threshold_->setRange(0, 255);
    threshold_->setValue(PictureImport::meanBrightness(grey_));
    thresholdValue_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000")));
    invert_->setObjectName(QStringLiteral("invert"));
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setFixedSize(FrameStore::Side * PreviewScale, FrameStore::Side * PreviewScale);
    addAfterCurrent_->setObjectName(QStringLiteral("addAfterCurrent"));
    replaceAnimation_->setObjectName(QStringLiteral("replaceAnimation"));
    addAfterCurrent_->setChecked(true);

    auto* thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(threshold_);
    thresholdRow->addWidget(thresholdValue_);
    auto* settings = new QFormLayout;
    auto* thresholdLabel = new QLabel(tr("&Threshold:"), this);
    thresholdLabel->setBuddy(threshold_);
    settings->addRow(thresholdLabel, thresholdRow);
    settings->addRow(QString(), invert_);
    settings->addRow(QString(), addAfterCurrent_);
    settings->addRow(QString(), replaceAnimation_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(preview_, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(countText(grey_.size()), this), 0, Qt::AlignHCenter);
    layout->addLayout(settings);
    layout->addWidget(buttons);

    connect(threshold_, &QSlider::valueChanged, this, &ImportDialog::updatePreview);
    connect(invert_, &QCheckBox::toggled, this, &ImportDialog::updatePreview);
    updatePreview();
}

int ImportDialog::threshold() const {
    return threshold_->value();
}

bool ImportDialog::inverted() const {
    return invert_->isChecked();
}

ImportDialog::Mode ImportDialog::mode() const {
    return replaceAnimation_->isChecked() ? Mode::ReplaceAnimation : Mode::AddAfterCurrent;
}

std::vector<PictureImport::Cells> ImportDialog::frames() const {
    std::vector<PictureImport::Cells> frames;
    frames.reserve(grey_.size());
    for (const PictureImport::Cells& grey : grey_)
        frames.push_back(PictureImport::threshold(grey, threshold(), inverted()));
    return frames;
}

PictureImport::Cells ImportDialog::previewFrame() const {
    if (grey_.empty())
        return {};
    return PictureImport::threshold(grey_.front(), threshold(), inverted());
}

void ImportDialog::updatePreview() {
    thresholdValue_->setNum(threshold());
    const PictureImport::Cells frame = previewFrame();
    preview_->setPixmap(QPixmap::fromImage(BoardRendering::renderFrame(frame, PreviewScale)));
}
