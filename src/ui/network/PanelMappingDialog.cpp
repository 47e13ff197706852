#include "ui/network/PanelMappingDialog.h"

#include "pictures/PanelWiringPicture.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr int PreviewScale = 16;
// A WS2812 draws about 20 mA a colour at full strength.
constexpr double AmpsPerChannel = 0.020;

QString currentText(const PanelMapping& m) {
    const double channels = (m.colour.red + m.colour.green + m.colour.blue) / 255.0;
    const double amps = PanelMapping::Leds * AmpsPerChannel * channels * m.brightness / 100.0;
    return QStringLiteral("With every LED lit: about %1 A. A supply must give that, and more.")
        .arg(amps, 0, 'f', 1);
}

QIcon swatch(const PanelColour& c) {
    QPixmap pixmap(32, 16);
    pixmap.fill(QColor(c.red, c.green, c.blue));
    return QIcon(pixmap);
}

} // namespace

PanelMappingDialog::PanelMappingDialog(const PanelSetup& setup, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Panel mapping"));
    auto* form = new QFormLayout;
    start_ = new QComboBox(this);
    start_->addItems({QStringLiteral("Top left"), QStringLiteral("Top right"),
                      QStringLiteral("Bottom left"), QStringLiteral("Bottom right")});
    along_ = new QComboBox(this);
    along_->addItems({QStringLiteral("Rows"), QStringLiteral("Columns")});
    serpentine_ = new QCheckBox(QStringLiteral("Serpentine: every other line runs back"), this);
    rotation_ = new QComboBox(this);
    rotation_->addItems({QStringLiteral("None"), QStringLiteral("90° clockwise"),
                         QStringLiteral("180°"), QStringLiteral("270° clockwise")});
    mirror_ = new QCheckBox(QStringLiteral("Mirror left to right (before the turn)"), this);
    colourButton_ = new QPushButton(QStringLiteral("Choose…"), this);
    brightness_ = new QSpinBox(this);
    brightness_->setRange(1, 100);
    brightness_->setSuffix(QStringLiteral(" %"));
    current_ = new QLabel(this);
    current_->setWordWrap(true);
    maxFps_ = new QSpinBox(this);
    maxFps_->setRange(PanelSetup::LowestMaxFps, PanelSetup::HighestMaxFps);
    maxFps_->setSuffix(QStringLiteral(" frames a second"));
    sync_ = new QCheckBox(QStringLiteral("Synchronise universes"), this);
    sync_->setToolTip(QStringLiteral("E1.31 and Art-Net: the panel shows a frame once both of its "
                                     "universes are in, not each as it comes."));
    testPicture_ = new QCheckBox(QStringLiteral("Show the test picture on the panel"), this);
    form->addRow(QStringLiteral("Strip starts:"), start_);
    form->addRow(QStringLiteral("Strip runs along:"), along_);
    form->addRow(serpentine_);
    form->addRow(QStringLiteral("Turn the picture:"), rotation_);
    form->addRow(mirror_);
    form->addRow(QStringLiteral("Colour:"), colourButton_);
    form->addRow(QStringLiteral("Brightness:"), brightness_);
    form->addRow(current_);
    form->addRow(QStringLiteral("At most:"), maxFps_);
    form->addRow(sync_);
    form->addRow(testPicture_);

    preview_ = new QLabel(this);
    preview_->setAlignment(Qt::AlignCenter);
    auto* caption = new QLabel(QStringLiteral("The strip starts at the green ring; the arrows "
                                              "show which way it runs."),
                               this);
    caption->setWordWrap(true);
    auto* side = new QVBoxLayout;
    side->addWidget(preview_);
    side->addWidget(caption);
    side->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addLayout(form);
    columns->addLayout(side);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(buttons);

    showSetup(setup);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(colourButton_, &QPushButton::clicked, this, &PanelMappingDialog::chooseColour);
    connect(testPicture_, &QCheckBox::toggled, this, &PanelMappingDialog::testPictureWanted);
    for (QComboBox* box : {start_, along_, rotation_})
        connect(box, &QComboBox::currentIndexChanged, this, &PanelMappingDialog::update);
    for (QCheckBox* box : {serpentine_, mirror_, sync_})
        connect(box, &QCheckBox::toggled, this, &PanelMappingDialog::update);
    for (QSpinBox* box : {brightness_, maxFps_})
        connect(box, &QSpinBox::valueChanged, this, &PanelMappingDialog::update);
}

PanelSetup PanelMappingDialog::setup() const {
    PanelSetup s;
    PanelWiring& w = s.mapping.wiring;
    w.start = PanelWiring::Corner(start_->currentIndex());
    w.columns = along_->currentIndex() == 1;
    w.serpentine = serpentine_->isChecked();
    w.rotation = rotation_->currentIndex() * 90;
    w.mirror = mirror_->isChecked();
    s.mapping.colour = colour_;
    s.mapping.brightness = brightness_->value();
    s.maxFps = maxFps_->value();
    s.syncUniverses = sync_->isChecked();
    return s;
}

void PanelMappingDialog::showSetup(const PanelSetup& s) {
    const PanelWiring& w = s.mapping.wiring;
    start_->setCurrentIndex(int(w.start));
    along_->setCurrentIndex(w.columns ? 1 : 0);
    serpentine_->setChecked(w.serpentine);
    rotation_->setCurrentIndex(w.rotation / 90);
    mirror_->setChecked(w.mirror);
    colour_ = s.mapping.colour;
    brightness_->setValue(s.mapping.brightness);
    maxFps_->setValue(s.maxFps);
    sync_->setChecked(s.syncUniverses);
    update();
}

void PanelMappingDialog::update() {
    const PanelSetup s = setup();
    preview_->setPixmap(QPixmap::fromImage(renderPanelWiring(s.mapping, PreviewScale)));
    colourButton_->setIcon(swatch(colour_));
    colourButton_->setText(panelColourText(colour_));
    current_->setText(currentText(s.mapping));
    emit changed(s);
}

void PanelMappingDialog::chooseColour() {
    const QColor chosen = QColorDialog::getColor(QColor(colour_.red, colour_.green, colour_.blue),
                                                 this, QStringLiteral("Lit colour"));
    if (!chosen.isValid())
        return;
    colour_ = {std::uint8_t(chosen.red()), std::uint8_t(chosen.green()),
               std::uint8_t(chosen.blue())};
    update();
}
