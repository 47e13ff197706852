#pragma once

#include "editor/CommonDialog.h"
#include "ui/Form1.h"
#include "editor/InstanceCheck.h"
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

// The real window wired to recording and scripted stand-ins.
struct FormFixture {
    RecordingPort port;
    FakeDialog dialog;
    FakeClock clock;
    FakeInstanceCheck instance;
    int programEnds = 0;
    std::unique_ptr<Form1> form;

    explicit FormFixture(bool anotherInstance = false) {
        instance.anotherRunning = anotherInstance;
        form = std::make_unique<Form1>(
            Form1Services{port, dialog, clock, instance, [this] { ++programEnds; }});
    }
    Form1& operator*() { return *form; }
    Form1* operator->() { return form.get(); }

    // The picture on the board, one byte a cell, 1 where the cell is shown.
    std::vector<std::uint8_t> board() const {
        std::vector<std::uint8_t> cells(256);
        for (int i = 0; i < 256; ++i)
            cells[static_cast<std::size_t>(i)] = form->isCellShown(i) ? 1 : 0;
        return cells;
    }
    // Frame n (from 1) of the store.
    std::vector<std::uint8_t> frame(int n) const {
        const auto begin = form->State.Frames.begin() + (n - 1) * 256;
        return {begin, begin + 256};
    }
};
