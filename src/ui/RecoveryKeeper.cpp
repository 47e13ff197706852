#include "ui/RecoveryKeeper.h"

#include "editor/Editor.h"

#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace {

// A moment after a change: a burst of clicks makes one copy.
constexpr int CopyDelayMs = 2000;

QString offerText(const RecoveryCopy::Found& found) {
    const QString when = found.savedAt.isValid()
                             ? QLocale().toString(found.savedAt, QLocale::ShortFormat)
                             : QStringLiteral("an unknown time");
    return QStringLiteral("The last session ended without closing its window and left an "
                          "unsaved animation, kept at %1 (%2).\n\nRestore it?")
        .arg(when, found.caption);
}

} // namespace

RecoveryKeeper::RecoveryKeeper(Editor& editor, std::function<void(const QString&)> error,
                               RecoveryCopy copy)
    : editor_(editor), error_(std::move(error)), copy_(std::move(copy)) {
    timer_.setInterval(CopyDelayMs);
    connect(&timer_, &QTimer::timeout, this, &RecoveryKeeper::keepInStep);
    timer_.start();
}

bool RecoveryKeeper::offerRestore(QWidget* parent) {
    const std::optional<RecoveryCopy::Found> found = copy_.leftByUncleanEnd();
    if (!found)
        return false;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Restore the animation?"),
                    offerText(*found), QMessageBox::NoButton, parent);
    QPushButton* restore = box.addButton(QStringLiteral("&Restore"), QMessageBox::AcceptRole);
    box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
    box.setDefaultButton(restore);
    box.exec();
    if (box.clickedButton() != restore) {
        copy_.discard();
        return false;
    }
    const QString why = editor_.restoreAnimation(found->animationPath, found->caption);
    if (!why.isEmpty()) {
        report(QStringLiteral("%1: %2").arg(found->animationPath, why));
        return false;
    }
    return true;
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
