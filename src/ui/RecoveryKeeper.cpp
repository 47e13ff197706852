#include "ui/RecoveryKeeper.h"

#include "editor/Editor.h"
#include "ui/PlainText.h"

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A moment after a change: a burst of clicks makes one copy.
constexpr int CopyDelayMs = 2000;
// A caption comes from a file anyone may have written; a long one would make
// the box wider than the screen.
constexpr int MaxCaptionShown = 200;

const QString Title = QStringLiteral("Restore the animation?");

QString shownCaption(const QString& caption) {
    if (caption.size() <= MaxCaptionShown)
        return caption;
    return caption.left(MaxCaptionShown) + QStringLiteral("...");
}

QString offerText(const RecoveryCopy::Found& found) {
    const QString when = found.savedAt.isValid()
                             ? QLocale().toString(found.savedAt, QLocale::ShortFormat)
                             : QStringLiteral("an unknown time");
    const QString which = found.caption.isEmpty()
                              ? when
                              : QStringLiteral("%1 (%2)").arg(when, shownCaption(found.caption));
    if (found.closedWithUnsavedWork)
        return QStringLiteral("The last session was closed with unsaved changes to its "
                              "animation, kept at %1.\n\nRestore it?")
            .arg(which);
    return QStringLiteral("The last session ended without closing its window and left an "
                          "unsaved animation, kept at %1.\n\nRestore it?")
        .arg(which);
}

} // namespace

RecoveryKeeper::RecoveryKeeper(Editor& editor, std::function<void(const QString&)> error,
                               RecoveryCopy copy)
    : editor_(editor), error_(std::move(error)), copy_(std::move(copy)) {
    timer_.setInterval(CopyDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryKeeper::keepInStep);
    timer_.start();
}

// The copies after a restored one stay for a later start.
bool RecoveryKeeper::offerRestore(QWidget* parent) {
    bool restored = false;
    const auto refused = [this](const QString& why) {
        error_(QStringLiteral("recovery copy: ") + why);
    };
    for (const RecoveryCopy::Found& found : copy_.leftBehind(refused)) {
        const Answer answer = restored ? Answer::Keep : ask(parent, found);
        if (answer == Answer::Restore)
            restored = restore(parent, found);
        else if (answer == Answer::Discard)
            copy_.discard(found);
        else
            copy_.keep(found);
    }
    return restored;
}

RecoveryKeeper::Answer RecoveryKeeper::ask(QWidget* parent, const RecoveryCopy::Found& found) {
    QMessageBox box(QMessageBox::Question, Title, offerText(found), QMessageBox::NoButton, parent);
    PlainText::box(box);
    QPushButton* restore = box.addButton(QStringLiteral("&Restore"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.exec();
    if (box.clickedButton() == restore)
        return Answer::Restore;
    return box.clickedButton() == discard ? Answer::Discard : Answer::Keep;
}

// A copy that cannot be loaded is not lost with the attempt: it is moved to a
// name no start offers, where the user can look at it.
bool RecoveryKeeper::restore(QWidget* parent, const RecoveryCopy::Found& found) {
    const QString caption = found.caption.isEmpty() ? editor_.panel().caption : found.caption;
    const QString why = editor_.restoreAnimation(found.animationPath, caption);
    if (why.isEmpty()) {
        report(copy_.takeOver(found, editor_));
        return true;
    }
    QString asideError;
    const std::optional<QString> aside = copy_.setAside(found, asideError);
    const QString kept = aside ? QStringLiteral("It is kept as %1.").arg(*aside)
                               : QStringLiteral("It stays as it is (%1).").arg(asideError);
    const QString text =
        QStringLiteral("The unsaved animation could not be restored from %1:\n%2\n\n%3")
            .arg(found.animationPath, why, kept);
    error_(QStringLiteral("recovery copy: %1: %2").arg(found.animationPath, why));
    PlainText::warning(parent, Title, text);
    return false;
}

void RecoveryKeeper::closeCleanly() {
    timer_.stop();
    report(copy_.closeCleanly(editor_));
}

void RecoveryKeeper::keepInStep() {
    report(copy_.update(editor_));
}

// A failing copy is said once, not every two seconds.
void RecoveryKeeper::report(const QString& why) {
    if (!why.isEmpty() && why != lastError_)
        error_(QStringLiteral("recovery copy: ") + why);
    lastError_ = why;
}
