#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>

// Answers the modal dialogs of the code under test as they open, each with
// `answer`, which should close it; one it leaves open is closed and counted,
// so that a test never hangs on a dialog.
class ModalAnswers {
public:
    explicit ModalAnswers(std::function<void(QWidget* dialog)> answer)
        : answer_(std::move(answer)) {
        QObject::connect(&poll_, &QTimer::timeout, [this] { answerOpenDialog(); });
        poll_.start(10);
    }

    int leftOpen() const { return leftOpen_; }

private:
    void answerOpenDialog() {
        QWidget* open = QApplication::activeModalWidget();
        if (open == nullptr || open == answered_)
            return;
        answered_ = open;
        // Run after this poll: an answer that opens another dialog waits in
        // it, while the poll must go on to answer that one.
        QTimer::singleShot(0, open, [this, open] {
            answer_(open);
            if (open->isVisible()) {
                ++leftOpen_;
                open->close();
            }
        });
    }

    std::function<void(QWidget*)> answer_;
    QPointer<QWidget> answered_;
    int leftOpen_ = 0;
    QTimer poll_;
};
