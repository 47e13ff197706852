#pragma once

#include <QLabel>
#include <QMessageBox>
#include <QString>
#include <QTextDocument>

// Text that comes from files, the network, settings or the recovery note is
// shown as it is. Qt guesses rich text in labels, message boxes and tooltips,
// so a name such as <img src='/dev/zero'> would otherwise be rendered, and the
// file it names read.
namespace PlainText {

// A tooltip is always guessed: this one is rich text that shows the text as it is.
inline QString toolTip(const QString& text) {
    return text.isEmpty() ? text : Qt::convertFromPlainText(text, Qt::WhiteSpaceNormal);
}

inline QLabel* label(QLabel* label) {
    label->setTextFormat(Qt::PlainText);
    return label;
}

inline void box(QMessageBox& box) {
    box.setTextFormat(Qt::PlainText);
}

// QMessageBox::warning, with the text shown as it is.
inline void warning(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox message(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    message.setTextFormat(Qt::PlainText);
    message.exec();
}

} // namespace PlainText
