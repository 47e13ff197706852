#include "ui/network/NetworkPanelDialog.h"

#include "network/NetworkTarget.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringList>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

using Protocol = NetworkTarget::Protocol;

// What the number after the host is for each protocol, in the combo box's order.
struct ProtocolRow {
    Protocol protocol;
    const char* name;
    const char* scheme;
    const char* number; // its label
    int lowest, highest, byDefault;
};
constexpr ProtocolRow Protocols[] = {
    {Protocol::ArtNet, "Art-Net", "artnet", "Universe:", 0, 32766, 0},
    {Protocol::E131, "E1.31 (sACN)", "e131", "Universe:", 1, 63998, 1},
    {Protocol::Ddp, "DDP", "ddp", "Port:", 1, 65535, 4048},
};

QString universesText(const std::vector<int>& universes) {
    QStringList numbers;
    for (int u : universes)
        numbers << QString::number(u);
    return numbers.isEmpty() ? QStringLiteral("none given") : numbers.join(QStringLiteral(", "));
}

} // namespace

NetworkPanelDialog::NetworkPanelDialog(const QString& current, const ArtPollOptions& poll,
                                       bool switchesNow, QWidget* parent)
    : QDialog(parent), discovery_(poll), switchesNow_(switchesNow) {
    setWindowTitle(QStringLiteral("Network panel"));
    setMinimumWidth(480);
    auto* layout = new QVBoxLayout(this);

    auto* found = new QGroupBox(QStringLiteral("Art-Net nodes on the local network"), this);
    auto* foundLayout = new QVBoxLayout(found);
    nodes_ = new QTreeWidget(found);
    nodes_->setHeaderLabels(
        {QStringLiteral("Name"), QStringLiteral("Address"), QStringLiteral("Universes")});
    nodes_->setRootIsDecorated(false);
    nodes_->setAccessibleName(QStringLiteral("Art-Net nodes found"));
    nodes_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    searchState_ = new QLabel(found);
    searchAgain_ = new QPushButton(QStringLiteral("Search again"), found);
    foundLayout->addWidget(nodes_);
    foundLayout->addWidget(searchState_);
    foundLayout->addWidget(searchAgain_, 0, Qt::AlignLeft);
    layout->addWidget(found);

    auto* typed = new QGroupBox(QStringLiteral("Panel"), this);
    auto* form = new QFormLayout(typed);
    protocol_ = new QComboBox(typed);
    for (const ProtocolRow& row : Protocols)
        protocol_->addItem(QString::fromUtf8(row.name));
    host_ = new QLineEdit(typed);
    host_->setPlaceholderText(QStringLiteral("a name such as wled.local, or 192.168.1.40"));
    numberLabel_ = new QLabel(typed);
    number_ = new QSpinBox(typed);
    verdict_ = new QLabel(typed);
    verdict_->setWordWrap(true);
    verdict_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QStringLiteral("Protocol:"), protocol_);
    form->addRow(QStringLiteral("Host:"), host_);
    form->addRow(numberLabel_, number_);
    form->addRow(verdict_);
    layout->addWidget(typed);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Use"));
    layout->addWidget(buttons_);

    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(searchAgain_, &QPushButton::clicked, this, &NetworkPanelDialog::search);
    connect(&discovery_, &ArtNetDiscovery::nodeFound, this, &NetworkPanelDialog::listNodes);
    connect(&discovery_, &ArtNetDiscovery::finished, this, &NetworkPanelDialog::searched);
    connect(nodes_, &QTreeWidget::itemSelectionChanged, this, &NetworkPanelDialog::takeNode);
    connect(protocol_, &QComboBox::currentIndexChanged, this, &NetworkPanelDialog::protocolChanged);
    connect(host_, &QLineEdit::textChanged, this, &NetworkPanelDialog::check);
    connect(number_, &QSpinBox::valueChanged, this, &NetworkPanelDialog::check);

    const ParsedTarget now = parseNetworkTarget(current);
    if (now.target) {
        const NetworkTarget& t = *now.target;
        for (int i = 0; i < int(std::size(Protocols)); ++i) {
            if (Protocols[i].protocol == t.protocol)
                protocol_->setCurrentIndex(i);
        }
        host_->setText(t.host);
    }
    protocolChanged();
    if (now.target)
        number_->setValue(now.target->protocol == Protocol::Ddp ? now.target->port
                                                                : now.target->universe);
    host_->setFocus();
    search();
}

QString NetworkPanelDialog::argument() const {
    const ProtocolRow& row = Protocols[protocol_->currentIndex()];
    const QChar separator = row.protocol == Protocol::Ddp ? QLatin1Char(':') : QLatin1Char(',');
    const QString value = QStringLiteral("%1:%2%3%4")
                              .arg(QLatin1String(row.scheme), host_->text().trimmed(), separator)
                              .arg(number_->value());
    return parseNetworkTarget(value).target ? value : QString();
}

void NetworkPanelDialog::search() {
    nodes_->clear();
    searchState_->setText(QStringLiteral("Asking the local network…"));
    searchAgain_->setEnabled(false);
    discovery_.start();
}

// Each reply lists the nodes again; the node chosen stays chosen.
void NetworkPanelDialog::listNodes() {
    const QTreeWidgetItem* chosen = nodes_->currentItem();
    const QString chosenAddress = chosen != nullptr ? chosen->text(1) : QString();
    const QSignalBlocker blocker(nodes_);
    nodes_->clear();
    for (const NetworkPackets::ArtNode& node : discovery_.nodes()) {
        auto* item = new QTreeWidgetItem(
            nodes_, {node.shortName, node.address, universesText(node.universes)});
        item->setToolTip(0, node.longName);
        if (!chosenAddress.isEmpty() && node.address == chosenAddress)
            nodes_->setCurrentItem(item);
    }
}

void NetworkPanelDialog::searched(const QString& problem) {
    const auto count = discovery_.nodes().size();
    QString text = count == 0   ? QStringLiteral("No Art-Net node answered.")
                   : count == 1 ? QStringLiteral("One node answered.")
                                : QStringLiteral("%1 nodes answered.").arg(count);
    if (!problem.isEmpty())
        text += QStringLiteral(" The search was not complete: %1.").arg(problem);
    searchState_->setText(text);
    searchAgain_->setEnabled(true);
}

// A node listed: Art-Net to its address, from the first universe it outputs.
void NetworkPanelDialog::takeNode() {
    const QList<QTreeWidgetItem*> chosen = nodes_->selectedItems();
    if (chosen.isEmpty())
        return;
    const int index = nodes_->indexOfTopLevelItem(chosen.first());
    const NetworkPackets::ArtNode& node = discovery_.nodes().at(std::size_t(index));
    protocol_->setCurrentIndex(0);
    host_->setText(node.address);
    number_->setValue(node.universes.empty() ? 0 : node.universes.front());
}

void NetworkPanelDialog::protocolChanged() {
    const ProtocolRow& row = Protocols[protocol_->currentIndex()];
    numberLabel_->setText(QString::fromUtf8(row.number));
    number_->setRange(row.lowest, row.highest);
    number_->setValue(row.byDefault);
    check();
}

void NetworkPanelDialog::check() {
    const QString value = argument();
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!value.isEmpty());
    if (!value.isEmpty()) {
        const QString command =
            QStringLiteral("<br><tt>quentaro --port %1</tt>").arg(value.toHtmlEscaped());
        verdict_->setText((switchesNow_ ? QStringLiteral("The editor sends to this panel until it "
                                                         "ends; to start with it:%1")
                                        : QStringLiteral("The editor cannot change its output "
                                                         "while it runs; to use this panel:%1"))
                              .arg(command));
        return;
    }
    const ProtocolRow& row = Protocols[protocol_->currentIndex()];
    const QString typed = host_->text().trimmed();
    verdict_->setText(typed.isEmpty() ? QStringLiteral("Type the panel's host name or address.")
                                      : parseNetworkTarget(QStringLiteral("%1:%2").arg(
                                                               QLatin1String(row.scheme), typed))
                                            .error);
}
