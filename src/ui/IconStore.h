#pragma once

#include <QIcon>
#include <QLabel>

// A hidden picture on the form that only holds an icon for a toggle button to copy.
class IconStore final : public QLabel {
    Q_OBJECT
public:
    IconStore(const QIcon& icon, QWidget* parent) : QLabel(parent), icon_(icon) {
        setPixmap(icon.pixmap(21, 21));
        hide();
    }
    const QIcon& icon() const { return icon_; }

private:
    QIcon icon_;
};
