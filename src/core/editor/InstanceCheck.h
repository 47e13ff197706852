#pragma once

#include <QLockFile>
#include <memory>

class InstanceCheck {
public:
    virtual ~InstanceCheck() = default;
    virtual bool anotherInstanceRunning() = 0;
};

// One lock file in the user's runtime directory, held for the life of the
// program. A lock left by a program that died is taken over.
class LockFileInstanceCheck final : public InstanceCheck {
public:
    LockFileInstanceCheck();
    bool anotherInstanceRunning() override;

private:
    std::unique_ptr<QLockFile> lock_;
};
