#pragma once

#include <QLockFile>
#include <QString>
#include <memory>

class InstanceCheck {
public:
    virtual ~InstanceCheck() = default;
    // True when this program must not start: another one runs, or whether one
    // runs cannot be told (then refusal() says why).
    virtual bool anotherInstanceRunning() = 0;
    // Why the start was refused although no other program is known to run, in
    // one line that names the lock file and what to do; empty otherwise.
    virtual QString refusal() const { return {}; }

    // What a refused start says: a line for standard error, and the text of
    // the editor's message.
    QString refusalLine() const;
    QString refusalMessage() const;
};

// One lock file in the user's runtime directory, held for the life of the
// program. A lock left by a program that died is taken over, and so is one that
// names no program at all once it is older than the system's boot. A lock that
// can be neither taken nor judged refuses the start: two programs driving one
// matrix would garble it.
class LockFileInstanceCheck final : public InstanceCheck {
public:
    // `directory` holds the lock; the user's runtime directory when empty.
    explicit LockFileInstanceCheck(const QString& directory = {});
    bool anotherInstanceRunning() override;
    QString refusal() const override { return refusal_; }

private:
    bool takeOverOwnerlessLock();

    std::unique_ptr<QLockFile> lock_;
    QString refusal_;
};
