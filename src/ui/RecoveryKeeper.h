#pragma once

#include "editor/RecoveryCopy.h"

#include <QObject>
#include <QTimer>
#include <functional>

class Editor;
class QWidget;

// Keeps a recovery copy of the editor's unsaved animation while the window is
// open, offers the copy an unclean end left behind at start, and settles it at
// a clean close.
class RecoveryKeeper final : public QObject {
public:
    RecoveryKeeper(Editor& editor, std::function<void(const QString&)> error,
                   RecoveryCopy copy = RecoveryCopy());

    // Asks whether to restore a copy left by a run that did not end cleanly;
    // true when the user chose to and it loaded.
    bool offerRestore(QWidget* parent);
    void closeCleanly();

private:
    void keepInStep();
    void report(const QString& why);

    Editor& editor_;
    std::function<void(const QString&)> error_;
    RecoveryCopy copy_;
    QTimer timer_;
    QString lastError_;
};
