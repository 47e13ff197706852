#include "ui/network/NetworkMenu.h"

#include "editor/Editor.h"
#include "network/NetworkPort.h"
#include "port/SwitchablePort.h"
#include "ui/Form1.h"
#include "ui/PlainText.h"
#include "ui/network/LiveInputDialog.h"
#include "ui/network/NetworkPanelDialog.h"
#include "ui/network/PanelMappingDialog.h"

#include <QAction>
#include <QFontMetrics>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QToolButton>

namespace {
constexpr int StateWidth = 420; // pixels; the whole line is in the tooltip
} // namespace

NetworkMenu::NetworkMenu(QWidget* window, QMenu* menu, SwitchablePort* port, QString portArgument,
                         Report report)
    : QObject(window), window_(window), menu_(menu), port_(port),
      portArgument_(std::move(portArgument)), report_(std::move(report)) {
    menu->setToolTipsVisible(true);
    menu->addSeparator();
    QAction* choose =
        menu->addAction(QStringLiteral("Network panel…"), this, &NetworkMenu::choosePanel);
    mapping_ = menu->addAction(QStringLiteral("Panel mapping…"), this, &NetworkMenu::editMapping);
    state_ = menu->addAction(QString());
    state_->setEnabled(false);
    QAction* live =
        menu->addAction(QStringLiteral("Live input…"), this, &NetworkMenu::openLiveInput);
    live->setVisible(qobject_cast<Form1*>(window) != nullptr);
    choose->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N));
    mapping_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_M));
    live->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L));
    for (QAction* action : {choose, mapping_, live}) {
        action->setShortcutContext(Qt::WindowShortcut);
        window->addAction(action);
    }
    connect(menu, &QMenu::aboutToShow, this, &NetworkMenu::updateEntries);
    updateEntries();
}

NetworkPort* NetworkMenu::panel() const {
    return port_ ? dynamic_cast<NetworkPort*>(&port_->current()) : nullptr;
}

bool NetworkMenu::use(const QString& argument) {
    const ParsedTarget parsed = parseNetworkTarget(argument);
    if (!parsed.target)
        return false;
    if (!port_) {
        QMessageBox box(QMessageBox::Information, QStringLiteral("Network panel"),
                        QStringLiteral("The editor drives %1 and cannot change its output while "
                                       "it runs. To use this panel, start it with\n\n"
                                       "    quentaro --port %2")
                            .arg(portArgument_, argument),
                        QMessageBox::Ok, window_);
        PlainText::box(box);
        box.setTextInteractionFlags(Qt::TextSelectableByMouse);
        box.exec();
        return false;
    }
    port_->replace(NetworkPort::open(*parsed.target, storedPanelSetup(argument), report_));
    portArgument_ = argument;
    updateEntries();
    emit outputChanged(argument);
    return true;
}

void NetworkMenu::choosePanel() {
    NetworkPanelDialog dialog(portArgument_, poll_, port_ != nullptr, window_);
    if (dialog.exec() == QDialog::Accepted && use(dialog.argument()))
        offerLptOn();
}

// The panel shows the editor's frames while "LPT on" runs; until then it is
// dark. The button is pressed from the event loop, as by hand: it runs until
// pressed again.
void NetworkMenu::offerLptOn() {
    auto* form = qobject_cast<Form1*>(window_);
    if (form != nullptr && form->editor().outputModes().lptOn())
        return;
    QMessageBox box(QMessageBox::Information, QStringLiteral("Network panel"),
                    QStringLiteral("The editor now sends to %1. The panel stays dark until "
                                   "\"LPT on\" (P) is pressed: the editor's frames go out "
                                   "while it runs.")
                        .arg(portArgument_),
                    QMessageBox::NoButton, window_);
    PlainText::box(box);
    QPushButton* switchOn = form != nullptr
                                ? box.addButton(QStringLiteral("LPT on"), QMessageBox::AcceptRole)
                                : nullptr;
    box.addButton(form != nullptr ? QMessageBox::Cancel : QMessageBox::Ok);
    if (form != nullptr)
        box.button(QMessageBox::Cancel)->setText(QStringLiteral("Not now"));
    box.exec();
    if (switchOn != nullptr && box.clickedButton() == switchOn)
        QMetaObject::invokeMethod(form->button(Control::LptButton), &QToolButton::click,
                                  Qt::QueuedConnection);
}

// Every change shows on the panel at once; Cancel puts back what it had.
void NetworkMenu::editMapping() {
    NetworkPort* shown = panel();
    if (!shown)
        return;
    const PanelSetup before = shown->setup();
    PanelMappingDialog dialog(before, window_);
    connect(&dialog, &PanelMappingDialog::changed, shown, &NetworkPort::setSetup);
    connect(&dialog, &PanelMappingDialog::testPictureWanted, this, [this](bool wanted) {
        if (wanted)
            port_->showTestPicture(panelTestPicture());
        else
            port_->endTestPicture();
    });
    const bool kept = dialog.exec() == QDialog::Accepted;
    // The setup first, so that no frame goes out with one that was cancelled.
    shown->setSetup(kept ? dialog.setup() : before);
    port_->endTestPicture();
    if (kept)
        storePanelSetup(portArgument_, dialog.setup());
}

void NetworkMenu::openLiveInput() {
    auto* form = qobject_cast<Form1*>(window_);
    if (form == nullptr)
        return;
    if (liveInput_ == nullptr)
        liveInput_ = new LiveInputDialog(*form);
    liveInput_->show();
    liveInput_->raise();
    liveInput_->activateWindow();
}

void NetworkMenu::updateEntries() {
    NetworkPort* shown = panel();
    // The window disables the whole menu while the animation plays.
    mapping_->setEnabled(shown != nullptr && menu_->isEnabled());
    state_->setEnabled(false);
    state_->setVisible(shown != nullptr);
    if (!shown)
        return;
    const QString said = shown->lastReport();
    const QString line = said.isEmpty() ? QStringLiteral("Sending to %1").arg(portArgument_) : said;
    state_->setText(QFontMetrics(menu_->font()).elidedText(line, Qt::ElideMiddle, StateWidth));
    state_->setToolTip(PlainText::toolTip(line));
}
