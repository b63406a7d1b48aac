#pragma once

#include <QCoroSignal>
#include <QCoroTask>
#include <QDialog>
#include <QObject>
#include <functional>

namespace devnook {

// Shows a dialog, raised and active over its window, and reads its answer.
// The answer is read as the dialog finishes, while it surely exists, and the
// dialog is deleted later; a dialog that goes away unanswered (its window
// closed) gives the fallback. No dialog is ever deleted on close, which would
// drop a resume queued for it.
class DialogAnswer final : public QObject {
    Q_OBJECT

public:
    // Window-modal, without a nested event loop: resumes once the dialog
    // finished or went away.
    template <typename Answer>
    static QCoro::Task<Answer> ask(QDialog *dialog, Answer fallback, std::function<Answer(QDialog &)> read)
    {
        Answer answer = fallback;
        DialogAnswer waiter(dialog, Qt::WindowModal,
                            [&answer, &read](QDialog &done) { answer = read(done); });
        co_await qCoro(&waiter, &DialogAnswer::ended);
        co_return answer;
    }

    // Application-modal: returns once the dialog finished or went away, the
    // event loop serving meanwhile only what the dialog lets through.
    template <typename Answer>
    static Answer askModally(QDialog *dialog, Answer fallback, std::function<Answer(QDialog &)> read)
    {
        Answer answer = fallback;
        DialogAnswer waiter(dialog, Qt::ApplicationModal,
                            [&answer, &read](QDialog &done) { answer = read(done); });
        waiter.waitModally();
        return answer;
    }

Q_SIGNALS:
    // Emitted when the dialog finished, after the answer was read, or when it
    // went away before.
    void ended();

private:
    DialogAnswer(QDialog *dialog, Qt::WindowModality modality, std::function<void(QDialog &)> read);
    void waitModally();

    QDialog *m_dialog;
    std::function<void(QDialog &)> m_read;
};

} // namespace devnook
