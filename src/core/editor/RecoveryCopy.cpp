#include "editor/RecoveryCopy.h"

#include "editor/Editor.h"
#include "files/AnimationFile.h"
#include "files/SafeSave.h"
#include "frames/FrameStore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <span>

namespace {

constexpr qint64 MaxNoteBytes = 64 * 1024;

QJsonObject readNote(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxNoteBytes)
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

} // namespace

RecoveryCopy::RecoveryCopy(QString folder) : folder_(std::move(folder)) {}

QString RecoveryCopy::defaultFolder() {
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/quentaro");
}

QString RecoveryCopy::animationPath() const {
    return folder_ + QStringLiteral("/recovery.led");
}

QString RecoveryCopy::notePath() const {
    return folder_ + QStringLiteral("/recovery.json");
}

std::optional<RecoveryCopy::Found> RecoveryCopy::leftByUncleanEnd() const {
    const QJsonObject note = readNote(notePath());
    if (note.isEmpty() || note.value(QStringLiteral("cleanEnd")).toBool(true) ||
        !QFile::exists(animationPath()))
        return std::nullopt;
    return Found{
        animationPath(), note.value(QStringLiteral("caption")).toString(),
        QDateTime::fromString(note.value(QStringLiteral("savedAt")).toString(), Qt::ISODate)};
}

QString RecoveryCopy::update(const Editor& editor) {
    if (!editor.hasUnsavedChanges()) {
        if (copiedAtChange_)
            discard();
        return {};
    }
    if (copiedAtChange_ == editor.changeCount())
        return {};
    return write(editor, false);
}

QString RecoveryCopy::closeCleanly(const Editor& editor) {
    if (!editor.hasUnsavedChanges()) {
        discard();
        return {};
    }
    return write(editor, true);
}

void RecoveryCopy::discard() {
    QFile::remove(notePath());
    QFile::remove(animationPath());
    copiedAtChange_.reset();
}

// The animation first, then the note that makes it count: a crash between the
// two leaves the previous pair or a note-less copy, never a note for a
// half-written animation.
QString RecoveryCopy::write(const Editor& editor, bool cleanEnd) {
    if (!QDir().mkpath(folder_))
        return QStringLiteral("%1: cannot make the folder").arg(folder_);
    SafeSave::Result saved = AnimationFile::save(animationPath(), editor.animation().images());
    if (saved.ok) {
        const QJsonObject note{
            {QStringLiteral("caption"), editor.panel().caption},
            {QStringLiteral("savedAt"), QDateTime::currentDateTime().toString(Qt::ISODate)},
            {QStringLiteral("cleanEnd"), cleanEnd}};
        saved = SafeSave::writeFile(notePath(), QJsonDocument(note).toJson().toStdString());
    }
    if (!saved.ok)
        return QStringLiteral("%1: %2").arg(folder_, saved.error);
    copiedAtChange_ = editor.changeCount();
    return {};
}
