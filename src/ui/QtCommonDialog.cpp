#include "ui/QtCommonDialog.h"

#include <QFileDialog>

QStringList QtCommonDialog::nameFilters(const QString& filterList) {
    const QStringList parts = filterList.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString& pattern = parts[i + 1];
        if (description.isEmpty())
            continue;
        const QString wrapped = QLatin1Char('(') + pattern + QLatin1Char(')');
        filters << (description.endsWith(wrapped) ? description
                                                  : description + QLatin1Char(' ') + wrapped);
    }
    return filters;
}

namespace {

// "*.led" -> "led"; "*.*" and the like name no suffix.
QString suffixOfPattern(const QString& pattern) {
    QString suffix = pattern;
    if (suffix.startsWith(QLatin1String("*.")))
        suffix.remove(0, 2);
    return suffix.contains(QLatin1Char('*')) ? QString() : suffix;
}

QString patternOfFilter(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    return filter.mid(open + 1).chopped(1);
}

} // namespace

std::optional<QString> QtCommonDialog::show(const FileDialogRequest& request) {
    QFileDialog dialog(parent_);
    const bool save = request.kind == FileDialogRequest::Kind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Neither dialog insists that the file exists; the open commands find out.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = nameFilters(request.filter);
    dialog.setNameFilters(filters);
    // A name typed without an extension gets the one of the filter in use.
    auto followFilter = [&dialog](const QString& filter) {
        dialog.setDefaultSuffix(suffixOfPattern(patternOfFilter(filter)));
    };
    if (!filters.isEmpty())
        followFilter(filters.first());
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, followFilter);
    // The commands preset a single blank, which stands for an empty name box.
    if (!request.fileName.trimmed().isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}
