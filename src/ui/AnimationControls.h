#pragma once

#include <QList>
#include <QObject>

class Editor;
class QAction;
class QWidget;
class SidePanel;

// The animation's own settings beside the board: the level the tools draw
// with (comma and full stop step it), how it plays (K goes on to the next
// mode), "Save animation…" (Ctrl+Shift+S) to the program's own file, which
// keeps hold times, levels, the play mode and the name that a .led cannot, and
// "Open animation…" (Ctrl+Shift+A), which lists both kinds where Load file
// lists .led files only.
class AnimationControls final : public QObject {
    Q_OBJECT
public:
    AnimationControls(QWidget& window, Editor& editor, SidePanel& panel);

    // Catches up with the editor after every handler: the play mode follows
    // undo and loading.
    void refresh();
    QAction* saveAction() const { return save_; }
    QAction* openAction() const { return open_; }
    // The keys of the level and the play mode, for the window's key table.
    const QList<QAction*>& keys() const { return keys_; }

signals:
    // A refusal or what a .led could not keep, to be said in the window.
    void said(const QString& title, const QString& text);

private:
    QAction* addKey(const QKeySequence& key, const QString& what, void (AnimationControls::*run)());
    void levelDown();
    void levelUp();
    void stepLevel(int by);
    void nextPlayMode();
    void choosePlayMode(int mode);
    void saveNative();
    void openEither();

    QWidget& window_;
    Editor& editor_;
    SidePanel& panel_;
    QAction* save_ = nullptr;
    QAction* open_ = nullptr;
    QList<QAction*> keys_;
    int shownMode_ = -1;
};
