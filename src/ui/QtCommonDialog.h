#pragma once

#include "editor/CommonDialog.h"

#include <QStringList>

class QWidget;

// The file dialog of the running program, a modal QFileDialog over the window.
class QtCommonDialog final : public CommonDialog {
public:
    explicit QtCommonDialog(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    std::optional<QString> show(const FileDialogRequest& request) override;

    // "Файлы команд (*.led)|*.led|" -> {"Файлы команд (*.led)"}
    static QStringList nameFilters(const QString& filterList);

private:
    QWidget* parent_;
};
