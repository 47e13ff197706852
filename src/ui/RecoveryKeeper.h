#pragma once

#include "editor/RecoveryCopy.h"

#include <QObject>
#include <QTimer>
#include <functional>

class Editor;
class QWidget;

// Keeps this editor's recovery copy of its unsaved animation while the window
// is open, offers the copies editors that are gone left behind at start, and
// settles the copy at a clean close.
class RecoveryKeeper final : public QObject {
public:
    RecoveryKeeper(Editor& editor, std::function<void(const QString&)> error,
                   RecoveryCopy copy = RecoveryCopy());

    // Offers each copy left behind, newest first, until one is restored; true
    // when one was. A copy that fails to restore is said in a box and kept
    // aside under another name.
    bool offerRestore(QWidget* parent);
    void closeCleanly();

private:
    enum class Answer { Restore, Discard, Keep };
    Answer ask(QWidget* parent, const RecoveryCopy::Found& found);
    bool restore(QWidget* parent, const RecoveryCopy::Found& found);
    void keepInStep();
    void report(const QString& why);

    Editor& editor_;
    std::function<void(const QString&)> error_;
    RecoveryCopy copy_;
    QTimer timer_;
    QString lastError_;
};
