#pragma once

#include "editor/CommonDialog.h"
#include "editor/Editor.h"
#include "editor/InstanceCheck.h"
#include "playback/AnimationTimer.h"
#include "port/Clock.h"
#include "port/RecordingPort.h"

#include <deque>
#include <functional>
#include <memory>
#include <vector>

// A clock that moves on by a fixed step every time it is read, so that every
// pause ends after a known number of readings and no test waits on real time.
class FakeClock final : public Clock {
public:
    explicit FakeClock(Duration step = std::chrono::microseconds(10)) : step_(step) {}
    Duration now() override {
        ++reads_;
        now_ += step_;
        return now_;
    }
    void setStep(Duration step) { step_ = step; }
    void advance(Duration by) { now_ += by; }
    int reads() const { return reads_; }

private:
    Duration now_{0};
    Duration step_;
    int reads_ = 0;
};

// Answers each dialog with the next scripted answer (cancel when none is left)
// and keeps every request. A hook may run while the dialog is "open".
class FakeDialog final : public CommonDialog {
public:
    std::optional<QString> show(const FileDialogRequest& request) override {
        requests.push_back(request);
        if (whileOpen)
            whileOpen();
        if (answers.empty())
            return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        if (answer.isNull())
            return std::nullopt;
        return answer;
    }
    void answer(const QString& path) { answers.push_back(path.isNull() ? QString("") : path); }
    void cancel() { answers.push_back(QString()); }

    std::deque<QString> answers; // a null string stands for cancel
    std::vector<FileDialogRequest> requests;
    std::function<void()> whileOpen;
};

class FakeInstanceCheck final : public InstanceCheck {
public:
    bool anotherInstanceRunning() override {
        ++checks;
        return anotherRunning;
    }
    bool anotherRunning = false;
    int checks = 0;
};

// The editor wired to recording and scripted stand-ins, with no window; the
// animation timer is a real QTimer.
struct EditorFixture {
    RecordingPort port;
    FakeDialog dialog;
    FakeClock clock;
    FakeInstanceCheck instance;
    std::unique_ptr<AnimationTimer> timer = makeQtAnimationTimer();
    int programEnds = 0;
    std::vector<Message> messages;
    std::unique_ptr<Editor> editor;

    explicit EditorFixture(bool anotherInstance = false) {
        instance.anotherRunning = anotherInstance;
        editor = std::make_unique<Editor>(
            EditorServices{port,
                           dialog,
                           clock,
                           instance,
                           *timer,
                           {},
                           {},
                           [this](const Message& message) { messages.push_back(message); },
                           [this] { ++programEnds; }});
        editor->Form_Load();
    }
    Editor& operator*() { return *editor; }
    Editor* operator->() { return editor.get(); }
    const Panel& panel() const { return editor->panel(); }
    // The working values, to set up one that no click reaches.
    WorkingValues& working() { return editor->work_; }

    // The picture on the board, one byte a cell, 1 where the cell is shown.
    std::vector<std::uint8_t> board() const {
        std::vector<std::uint8_t> cells(256);
        for (int i = 0; i < 256; ++i)
            cells[static_cast<std::size_t>(i)] = panel().isCellShown(i) ? 1 : 0;
        return cells;
    }
    // Frame n (from 1) of the store.
    std::vector<std::uint8_t> frame(int n) const {
        const auto begin = editor->animation().frames().begin() + (n - 1) * 256;
        return {begin, begin + 256};
    }
};
