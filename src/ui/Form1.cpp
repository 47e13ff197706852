#include "ui/Form1.h"

#include "ui/Artwork.h"
#include "ui/BoardView.h"
#include "editor/CommonDialog.h"
#include "ui/IconStore.h"
#include "editor/InstanceCheck.h"
#include "ui/MouseSurface.h"
#include "ui/PanelLabel.h"
#include "ui/Twips.h"
#include "port/PortIo.h"
#include "port/PortSequences.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QToolButton>

// Passes writes on to the real port until the program has ended; from then on
// nothing more may reach the matrix, whatever a handler still in progress does.
class Form1::GatedPort final : public PortIo {
public:
    explicit GatedPort(PortIo& inner) : inner_(inner) {}
    void writeData(std::uint8_t value) override {
        if (open_)
            inner_.writeData(value);
    }
    void writeControl(std::uint8_t value) override {
        if (open_)
            inner_.writeControl(value);
    }
    void close() { open_ = false; }
    PortIo& inner() { return inner_; }

private:
    PortIo& inner_;
    bool open_ = true;
};

namespace {

constexpr int ClientWidthTwips = 8475;
constexpr int ClientHeightTwips = 4890;
const QColor ButtonGrey(192, 192, 192);

QFont windowFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8.25);
    font.setBold(true);
    return font;
}

QFont labelFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(12);
    font.setBold(true);
    return font;
}

int vbButton(Qt::MouseButtons buttons) {
    return (buttons & Qt::LeftButton ? 1 : 0) | (buttons & Qt::RightButton ? 2 : 0) |
           (buttons & Qt::MiddleButton ? 4 : 0);
}

int vbShift(Qt::KeyboardModifiers modifiers) {
    return (modifiers & Qt::ShiftModifier ? 1 : 0) | (modifiers & Qt::ControlModifier ? 2 : 0) |
           (modifiers & Qt::AltModifier ? 4 : 0);
}

} // namespace

Form1::Form1(Form1Services services, QWidget* parent)
    : QWidget(parent), CommonDialog1(services.dialog), services_(std::move(services)),
      port_(std::make_unique<GatedPort>(services_.port)),
      rowPauseSeconds_(PortSequences::RowPause) {
    if (!services_.endProgram)
        services_.endProgram = [] { QCoreApplication::exit(0); };
    createControls();
    connectHandlers();
    Form_Load();
}

Form1::~Form1() = default;

QToolButton* Form1::makeButton(QWidget* group, const char* tooltip, int left, int top, int width,
                               int height, const QIcon& icon) {
    auto* button = new QToolButton(group);
    button->setGeometry(Twips::rect(left, top, width, height));
    button->setToolTip(QString::fromUtf8(tooltip));
    button->setIcon(icon);
    button->setIconSize(QSize(Artwork::ButtonIconSize, Artwork::ButtonIconSize));
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::TabFocus);
    QPalette palette = button->palette();
    palette.setColor(QPalette::Button, ButtonGrey);
    button->setPalette(palette);
    return button;
}

void Form1::createControls() {
    using Artwork::buttonIcon;
    using Artwork::Icon;

    setFont(windowFont());
    setWindowIcon(Artwork::windowIcon());
    setFixedSize(Twips::toPixels(ClientWidthTwips), Twips::toPixels(ClientHeightTwips));
    setWindowFlag(Qt::MSWindowsFixedSizeDialogHint);
    setCaption(QStringLiteral("QUENTARO - NEW"));

    auto group = [this](const char* caption, int left, int top, int width, int height) {
        auto* box = new QGroupBox(QString::fromUtf8(caption), this);
        box->setGeometry(Twips::rect(left, top, width, height));
        return box;
    };
    Frame1 = group("Matrix ", 160, 70, 4575, 4695);
    Frame3 = group("Speed", 4880, 80, 3495, 735);
    Frame4 = group("Image", 4880, 850, 3495, 1695);
    Frame2 = group("Animation", 4880, 2600, 3495, 2175);

    auto label = [](QWidget* parent, int left, int top, int width, int height) {
        auto* l = new PanelLabel(parent);
        l->setGeometry(Twips::rect(left, top, width, height));
        l->setFont(labelFont());
        QPalette palette = l->palette();
        palette.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
        l->setPalette(palette);
        return l;
    };

    // Speed
    Command1 = makeButton(Frame3, "Min speed", 120, 240, 495, 375, buttonIcon(Icon::MinSpeed));
    Command2 =
        makeButton(Frame3, "Reduce speed", 720, 240, 375, 375, buttonIcon(Icon::ReduceSpeed));
    Label1 = label(Frame3, 1200, 240, 1095, 375);
    Command3 =
        makeButton(Frame3, "Enlarge speed", 2400, 240, 375, 375, buttonIcon(Icon::EnlargeSpeed));
    Command4 = makeButton(Frame3, "Max speed", 2880, 240, 495, 375, buttonIcon(Icon::MaxSpeed));

    // Image
    Command5 =
        makeButton(Frame4, "Vertical flip", 120, 240, 735, 375, buttonIcon(Icon::VerticalFlip));
    Command6 = makeButton(Frame4, "Up", 960, 240, 735, 375, buttonIcon(Icon::Up));
    Command7 = makeButton(Frame4, "Horizontal flip", 1800, 240, 735, 375,
                          buttonIcon(Icon::HorizontalFlip));
    Command8 = makeButton(Frame4, "Copy", 2640, 240, 735, 375, buttonIcon(Icon::Copy));
    Command9 = makeButton(Frame4, "Left", 120, 720, 735, 375, buttonIcon(Icon::Left));
    Command10 = makeButton(Frame4, "Invert", 960, 720, 735, 375, buttonIcon(Icon::Invert));
    Command11 = makeButton(Frame4, "Right", 1800, 720, 735, 375, buttonIcon(Icon::Right));
    Command12 = makeButton(Frame4, "Set all", 2640, 720, 735, 375, buttonIcon(Icon::LedLit));
    Command13 =
        makeButton(Frame4, "Rotate left", 120, 1200, 735, 375, buttonIcon(Icon::RotateLeft));
    Command14 = makeButton(Frame4, "Down", 960, 1200, 735, 375, buttonIcon(Icon::Down));
    Command15 =
        makeButton(Frame4, "Rotate right", 1800, 1200, 735, 375, buttonIcon(Icon::RotateRight));
    Command16 = makeButton(Frame4, "Paste", 2640, 1200, 735, 375, buttonIcon(Icon::Paste));
    auto store = [](QWidget* parent, Icon icon, int left, int top) {
        auto* s = new IconStore(Artwork::buttonIcon(icon), parent);
        s->setGeometry(Twips::rect(left, top, 315, 315));
        return s;
    };
    Image4 = store(Frame4, Icon::LedLit, 2640, 600);
    Image5 = store(Frame4, Icon::LedDark, 3000, 600);

    // Animation
    Command17 = makeButton(Frame2, "Load file", 120, 240, 975, 375, buttonIcon(Icon::LoadFile));
    Command18 = makeButton(Frame2, "New file", 1200, 240, 1095, 375, buttonIcon(Icon::NewFile));
    Command20 = makeButton(Frame2, "Save file", 2400, 240, 975, 375, buttonIcon(Icon::SaveFile));
    Command21 = makeButton(Frame2, "First image", 120, 720, 375, 375, buttonIcon(Icon::FirstImage));
    Command22 =
        makeButton(Frame2, "Previous image", 720, 720, 375, 375, buttonIcon(Icon::PreviousImage));
    Label2 = label(Frame2, 1200, 720, 1095, 375);
    Command23 = makeButton(Frame2, "Next image", 2400, 720, 375, 375, buttonIcon(Icon::NextImage));
    Command24 = makeButton(Frame2, "Last image", 3000, 720, 375, 375, buttonIcon(Icon::LastImage));
    for (QToolButton* b : {Command21, Command22, Command23, Command24})
        b->setPalette(Frame2->palette());
    Command25 = makeButton(Frame2, "Add image", 120, 1200, 975, 375, buttonIcon(Icon::AddImage));
    Command33 = makeButton(Frame2, "Start", 1200, 1200, 1095, 375, buttonIcon(Icon::Play));
    Command26 =
        makeButton(Frame2, "Delete image", 2400, 1200, 975, 375, buttonIcon(Icon::DeleteImage));
    Command27 =
        makeButton(Frame2, "Matrix off", 120, 1680, 975, 375, buttonIcon(Icon::MonitorBright));
    Command28 = makeButton(Frame2, "Slideshow", 1200, 1680, 1095, 375, buttonIcon(Icon::Slideshow));
    Command19 = makeButton(Frame2, "LPT on", 2400, 1680, 975, 375, buttonIcon(Icon::PlugCrossed));
    Image6 = store(Frame2, Icon::Play, 1320, 1080);
    Image7 = store(Frame2, Icon::StopSquare, 1920, 1080);
    Image8 = store(Frame2, Icon::Plug, 2520, 1560);
    Image9 = store(Frame2, Icon::PlugCrossed, 3000, 1560);
    Image10 = store(Frame2, Icon::MonitorBright, 120, 1440);
    Image11 = store(Frame2, Icon::MonitorDark, 720, 1440);
    Label2->setText(QStringLiteral("1/1"));
    for (QToolButton* b : {Command21, Command22, Command23, Command24, Command26})
        b->hide();

    // Matrix: background and cells, with the mouse surface over them.
    Image1 = new BoardView(Frame1);
    Image1->setGeometry(Twips::rect(120, 240, 4335, 4335));
    Image3 = new MouseSurface(Frame1);
    Image3->setGeometry(Twips::rect(360, 480, 3855, 3855));
    Image3->raise();

    Timer2 = new QTimer(this);
    Timer2->setTimerType(Qt::PreciseTimer);
    Timer2->setInterval(1000);
    Timer1 = new QTimer(this);
}

void Form1::run(void (Form1::*handler)()) {
    if (!ended_)
        (this->*handler)();
}

void Form1::connectHandlers() {
    const std::pair<QToolButton*, void (Form1::*)()> clicks[] = {
        {Command1, &Form1::Command1_Click},   {Command2, &Form1::Command2_Click},
        {Command3, &Form1::Command3_Click},   {Command4, &Form1::Command4_Click},
        {Command5, &Form1::Command5_Click},   {Command6, &Form1::Command6_Click},
        {Command7, &Form1::Command7_Click},   {Command8, &Form1::Command8_Click},
        {Command9, &Form1::Command9_Click},   {Command10, &Form1::Command10_Click},
        {Command11, &Form1::Command11_Click}, {Command12, &Form1::Command12_Click},
        {Command13, &Form1::Command13_Click}, {Command14, &Form1::Command14_Click},
        {Command15, &Form1::Command15_Click}, {Command16, &Form1::Command16_Click},
        {Command17, &Form1::Command17_Click}, {Command18, &Form1::Command18_Click},
        {Command19, &Form1::Command19_Click}, {Command20, &Form1::Command20_Click},
        {Command21, &Form1::Command21_Click}, {Command22, &Form1::Command22_Click},
        {Command23, &Form1::Command23_Click}, {Command24, &Form1::Command24_Click},
        {Command25, &Form1::Command25_Click}, {Command26, &Form1::Command26_Click},
        {Command27, &Form1::Command27_Click}, {Command28, &Form1::Command28_Click},
        {Command33, &Form1::Command33_Click},
    };
    for (const auto& [button, handler] : clicks)
        connect(button, &QToolButton::clicked, this, [this, h = handler] { run(h); });
    connect(Timer2, &QTimer::timeout, this, [this] { run(&Form1::Timer2_Timer); });
    connect(Image3, &MouseSurface::moved, this,
            [this](Qt::MouseButtons buttons, Qt::KeyboardModifiers mods, float x, float y) {
                if (!ended_)
                    Image3_MouseMove(vbButton(buttons), vbShift(mods), x, y);
            });
    connect(Image3, &MouseSurface::released, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers mods, float x, float y) {
                if (!ended_)
                    Image3_MouseUp(vbButton(button), vbShift(mods), x, y);
            });
}

bool Form1::isCellShown(int cell) const {
    return Image1->isCellShown(cell);
}

void Form1::setCellShown(int cell, bool shown) {
    Image1->setCellShown(cell, shown);
}

void Form1::setLabel2() {
    Label2->setText(QStringLiteral("%1/%2").arg(State.CurrentImage).arg(State.ImageCount));
}

void Form1::showCommand(QToolButton* button, bool shown) {
    button->setHidden(!shown);
}

void Form1::setCaption(const QString& caption) {
    setWindowTitle(caption);
}

void Form1::Form_Load() {
    State.IntervalMs = 301;
    State.Playing = 0;
    State.LptOn = 0;
    State.CurrentImage = 1;
    State.ImageCount = 1;
    Label1->setText(QStringLiteral("3,3 Hz"));
    Command12->setIcon(Image4->icon());
    State.Frames.assign(EditorState::CellsPerFrame, 0);
    PortSequences::startup(
        *port_, [this](float seconds) { Pause(seconds); }, State.Counter);
    Nulreg();
    Chitmat();
    Timer1->stop();
    if (services_.instanceCheck.anotherInstanceRunning()) {
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Attention!"),
                        QStringLiteral("Program already started!!!"), QMessageBox::Ok);
        box.exec();
        ended_ = true;
        port_->close();
        services_.endProgram();
    }
}

void Form1::Form_Unload() {
    Nulreg();
    ended_ = true;
    port_->close();
    Timer2->stop();
    Timer1->stop();
    State.LptOn = 0;
    services_.endProgram();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (!ended_)
        Form_Unload();
    event->accept();
}

PortIo& Form1::port() {
    return *port_;
}
