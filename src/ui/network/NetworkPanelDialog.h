#pragma once

#include "network/ArtNetDiscovery.h"

#include <QDialog>
#include <QSet>
#include <QTimer>

class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTreeWidget;

// Chooses a network panel: the Art-Net nodes that answer a poll of the local
// network are listed (name, address, universes) while the search runs, and
// any DDP, E1.31 or Art-Net address can be typed in. Outside text (names,
// what was typed, errors) is shown as it is. Gives the --port value,
// and says whether the editor takes it now (`switchesNow`) or at its next start.
class NetworkPanelDialog final : public QDialog {
    Q_OBJECT
public:
    NetworkPanelDialog(const QString& current, const ArtPollOptions& poll, bool switchesNow,
                       QWidget* parent);

    // The --port value chosen; empty while what was typed names no panel.
    QString argument() const;
    ArtNetDiscovery& discovery() { return discovery_; }
    QTreeWidget* nodeList() const { return nodes_; }

private:
    // What the boxes say, valid or not.
    QString value() const;
    void search();
    void nodeChanged(int index);
    void listNodes();
    void searched(const QString& problem);
    void takeNode();
    void protocolChanged();
    void check();

    ArtNetDiscovery discovery_;
    QTimer listing_;
    QSet<int> changed_; // nodes not yet shown as they are
    bool switchesNow_;
    QTreeWidget* nodes_;
    QLabel* searchState_;
    QPushButton* searchAgain_;
    QComboBox* protocol_;
    QLineEdit* host_;
    QLabel* numberLabel_;
    QSpinBox* number_;
    QLabel* verdict_;
    QDialogButtonBox* buttons_;
};
