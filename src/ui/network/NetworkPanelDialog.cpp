#include "ui/network/NetworkPanelDialog.h"

#include "network/NetworkTarget.h"
#include "network/receive/ReceivedPackets.h"
#include "ui/PlainText.h"

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
// A universe box takes every universe of its protocol, as the node list shows
// them; the check says why the last cannot be the first of the two.
constexpr ProtocolRow Protocols[] = {
    {Protocol::ArtNet, "Art-Net", "artnet", "Universe:", ArtNetUniverses.lowest,
     ArtNetUniverses.highest, 0},
    {Protocol::E131, "E1.31 (sACN)", "e131", "Universe:", E131Universes.lowest,
     E131Universes.highest, 1},
    {Protocol::Ddp, "DDP", "ddp", "Port:", 1, 65535, 4048},
};
// The list is brought up to date at most this often while replies come in.
constexpr int ListEveryMs = 100;

QString universesText(const std::vector<int>& universes) {
    QStringList numbers;
    for (int u : universes)
        numbers << QString::number(u);
    return numbers.isEmpty() ? QStringLiteral("none given") : numbers.join(QStringLiteral(", "));
}

// The panel the editor sends to: none when its output is no network panel
// (a parallel port, the USB bridge, the on-screen matrix), whose name is no host.
ParsedTarget panelNamed(const QString& portArgument) {
    for (const ProtocolRow& row : Protocols)
        if (portArgument.startsWith(QLatin1String(row.scheme) + QLatin1Char(':')))
            return parseNetworkTarget(portArgument);
    return {};
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
    searchState_ = PlainText::label(new QLabel(found));
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
    verdict_ = PlainText::label(new QLabel(typed));
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
    listing_.setSingleShot(true);
    listing_.setInterval(ListEveryMs);
    connect(&listing_, &QTimer::timeout, this, &NetworkPanelDialog::listNodes);
    connect(&discovery_, &ArtNetDiscovery::nodeChanged, this, &NetworkPanelDialog::nodeChanged);
    connect(&discovery_, &ArtNetDiscovery::finished, this, &NetworkPanelDialog::searched);
    connect(nodes_, &QTreeWidget::itemSelectionChanged, this, &NetworkPanelDialog::takeNode);
    connect(protocol_, &QComboBox::currentIndexChanged, this, &NetworkPanelDialog::protocolChanged);
    connect(host_, &QLineEdit::textChanged, this, &NetworkPanelDialog::check);
    connect(number_, &QSpinBox::valueChanged, this, &NetworkPanelDialog::check);

    const ParsedTarget now = panelNamed(current);
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

QString NetworkPanelDialog::value() const {
    const ProtocolRow& row = Protocols[protocol_->currentIndex()];
    const QChar separator = row.protocol == Protocol::Ddp ? QLatin1Char(':') : QLatin1Char(',');
    return QStringLiteral("%1:%2%3%4")
        .arg(QLatin1String(row.scheme), host_->text().trimmed(), separator)
        .arg(number_->value());
}

QString NetworkPanelDialog::argument() const {
    const QString typed = value();
    return parseNetworkTarget(typed).target ? typed : QString();
}

void NetworkPanelDialog::search() {
    listing_.stop();
    changed_.clear();
    nodes_->clear();
    searchState_->setText(QStringLiteral("Asking the local network…"));
    searchAgain_->setEnabled(false);
    discovery_.start();
}

void NetworkPanelDialog::nodeChanged(int index) {
    changed_.insert(index);
    if (!listing_.isActive())
        listing_.start();
}

// The nodes found since the list was last brought up to date are added, those
// with more universes shown again; the node chosen stays chosen.
void NetworkPanelDialog::listNodes() {
    const std::vector<NetworkPackets::ArtNode>& found = discovery_.nodes();
    const QSignalBlocker blocker(nodes_);
    for (int i = nodes_->topLevelItemCount(); i < int(found.size()); ++i)
        new QTreeWidgetItem(nodes_);
    for (int i : std::as_const(changed_)) {
        const NetworkPackets::ArtNode& node = found.at(std::size_t(i));
        QTreeWidgetItem* item = nodes_->topLevelItem(i);
        item->setText(0, ReceivedPackets::printable(node.shortName));
        item->setText(1, node.address);
        item->setText(2, universesText(node.universes));
        item->setToolTip(0, PlainText::toolTip(ReceivedPackets::printable(node.longName)));
    }
    changed_.clear();
}

void NetworkPanelDialog::searched(const QString& problem) {
    listing_.stop();
    listNodes();
    const auto count = discovery_.nodes().size();
    QString text = count == 0   ? QStringLiteral("No Art-Net node answered.")
                   : count == 1 ? QStringLiteral("One node answered.")
                                : QStringLiteral("%1 nodes answered.").arg(count);
    if (discovery_.ignoredReplies() > 0)
        text += QStringLiteral(" Only the first %1 are listed; %2 replies of other nodes were "
                               "ignored.")
                    .arg(ArtNetDiscovery::MaxNodes)
                    .arg(discovery_.ignoredReplies());
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
    const QString typed = value();
    const ParsedTarget parsed = parseNetworkTarget(typed);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(parsed.target.has_value());
    if (parsed.target) {
        verdict_->setText((switchesNow_ ? QStringLiteral("The editor sends to this panel while "
                                                         "\"LPT on\" (P) runs, until it ends; "
                                                         "to start with it:\n    %1")
                                        : QStringLiteral("The editor cannot change its output "
                                                         "while it runs; to use this panel:\n"
                                                         "    %1"))
                              .arg(QStringLiteral("quentaro --port ") + typed));
        return;
    }
    verdict_->setText(host_->text().trimmed().isEmpty()
                          ? QStringLiteral("Type the panel's host name or address.")
                          : parsed.error);
}
