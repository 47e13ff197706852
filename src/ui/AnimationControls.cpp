#include "ui/AnimationControls.h"

#include "editor/Editor.h"
#include "frames/FrameStore.h"
#include "ui/SidePanel.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>

namespace {

const QString NativeFilter = QStringLiteral("Quentaro animation (*.qanim)");
const QString NativeExtension = QStringLiteral("qanim");
constexpr int PlayModeCount = 3;

// A file name made of the animation's name: no folder separators, no control
// characters; nothing when that leaves no name.
QString fileNameOf(const QString& name) {
    QString file;
    for (const QChar c : name)
        if (c.category() != QChar::Other_Control)
            file += c == QLatin1Char('/') ? QLatin1Char('-') : c;
    file = file.trimmed();
    if (file.isEmpty() || file == QLatin1String(".") || file == QLatin1String(".."))
        return {};
    return file + QLatin1Char('.') + NativeExtension;
}

// The animation's own file under its name, beside it: a .led loaded or saved
// is offered as the .qanim of the same name.
QString proposedFile(const Editor& editor) {
    const QString path = editor.filePath();
    if (path.isEmpty())
        return fileNameOf(QString::fromStdString(editor.animation().name()));
    const QFileInfo file(path);
    return file.dir().filePath(file.completeBaseName() + QLatin1Char('.') + NativeExtension);
}

// The Name field below the file name: the name the file keeps.
QLineEdit* addNameField(QFileDialog& dialog, const QString& name) {
    auto* edit = new QLineEdit(name, &dialog);
    edit->setObjectName(QStringLiteral("animationName"));
    edit->setToolTip(QStringLiteral("The animation's name, kept in the file"));
    auto* label = new QLabel(QStringLiteral("Animation &name:"), &dialog);
    label->setBuddy(edit);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
    }
    return edit;
}

} // namespace

AnimationControls::AnimationControls(QWidget& window, Editor& editor, SidePanel& panel)
    : QObject(&window), window_(window), editor_(editor), panel_(panel) {
    save_ = new QAction(QStringLiteral("Save animation…"), this);
    save_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    save_->setShortcutContext(Qt::WindowShortcut);
    save_->setToolTip(QStringLiteral("Save with hold times, grey levels, play mode and name "
                                     "(Ctrl+Shift+S)"));
    save_->setIconText(QStringLiteral("Save anim…"));
    connect(save_, &QAction::triggered, this, &AnimationControls::saveNative);
    window_.addAction(save_);
    panel_.addCommand(save_);
    open_ = new QAction(QStringLiteral("Open animation…"), this);
    open_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    open_->setShortcutContext(Qt::WindowShortcut);
    open_->setToolTip(QStringLiteral("Open a .qanim or .led animation (Ctrl+Shift+A)"));
    connect(open_, &QAction::triggered, this, &AnimationControls::openEither);
    window_.addAction(open_);
    addKey(QKeySequence(Qt::Key_Comma), QStringLiteral("Drawing level down"),
           &AnimationControls::levelDown);
    addKey(QKeySequence(Qt::Key_Period), QStringLiteral("Drawing level up"),
           &AnimationControls::levelUp);
    addKey(QKeySequence(Qt::Key_K), QStringLiteral("Play mode: loop, ping-pong, once"),
           &AnimationControls::nextPlayMode);
    connect(&panel_, &SidePanel::levelChosen, this, [this](int level) {
        editor_.setDrawLevel(level);
        panel_.showLevel(editor_.drawLevel());
    });
    connect(&panel_, &SidePanel::playModeChosen, this, &AnimationControls::choosePlayMode);
    panel_.showLevel(editor_.drawLevel());
    refresh();
}

QAction* AnimationControls::addKey(const QKeySequence& key, const QString& what,
                                   void (AnimationControls::*run)()) {
    auto* action = new QAction(what, this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, run);
    window_.addAction(action);
    keys_.append(action);
    return action;
}

void AnimationControls::refresh() {
    const int mode = static_cast<int>(editor_.animation().playMode());
    if (mode == shownMode_)
        return;
    shownMode_ = mode;
    panel_.showPlayMode(mode);
}

void AnimationControls::levelDown() {
    stepLevel(-1);
}

void AnimationControls::levelUp() {
    stepLevel(1);
}

void AnimationControls::stepLevel(int by) {
    editor_.setDrawLevel(std::clamp(editor_.drawLevel() + by, 0, FrameStore::MaxLevel));
    panel_.showLevel(editor_.drawLevel());
}

void AnimationControls::nextPlayMode() {
    choosePlayMode((static_cast<int>(editor_.animation().playMode()) + 1) % PlayModeCount);
}

void AnimationControls::choosePlayMode(int mode) {
    const QString refusal = editor_.setPlayMode(static_cast<PlayMode>(mode));
    if (!refusal.isEmpty())
        emit said(QStringLiteral("Play mode"), refusal);
    shownMode_ = -1;
    refresh();
}

// The dialog adds the extension to a name that has none. Qt's own dialog, as
// the system's has no room for the Name field.
void AnimationControls::saveNative() {
    QFileDialog dialog(&window_, QStringLiteral("Save animation"), QString(), NativeFilter);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(NativeExtension);
    if (const QString proposed = proposedFile(editor_); !proposed.isEmpty())
        dialog.selectFile(proposed);
    const QString name = QString::fromStdString(editor_.animation().name());
    const QLineEdit* nameEdit = addNameField(dialog, name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    QString refusal;
    if (nameEdit->text() != name)
        refusal = editor_.setName(nameEdit->text());
    if (refusal.isEmpty())
        refusal = editor_.saveNative(dialog.selectedFiles().constFirst());
    if (!refusal.isEmpty())
        emit said(QStringLiteral("Save animation"), refusal);
}

// Like Load file, one step of undo; the kind is told by the content.
void AnimationControls::openEither() {
    QFileDialog dialog(&window_, QStringLiteral("Open animation"), QString(),
                       QStringLiteral("Animations (*.qanim *.led);;") + NativeFilter +
                           QStringLiteral(";;LED animation (*.led);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();
    const QString error = editor_.openAnimation(path);
    if (!error.isEmpty())
        emit said(QStringLiteral("Open animation"),
                  QStringLiteral("%1 could not be opened:\n%2").arg(path, error));
}
