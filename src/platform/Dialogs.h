#pragma once

#include "platform/Waits.h"

#include <QString>

#include <deque>
#include <functional>
#include <optional>

namespace korvane {

// Message boxes, asked without stopping the station: the asking sequence
// awaits the answer while everything else goes on. One question is open at
// a time; a question asked meanwhile waits its turn. A front end shows the
// open question (the window as a window-modal box, the headless console as
// a line) and hands its answer to answer(), at once or later.
class Dialogs {
public:
    enum class Answer { Ok, Cancel };
    enum class Icon { Information, Warning, Question, Error, None };
    // OK/Cancel, Yes/No (Ok stands for Yes, Cancel for No), or OK alone.
    enum class Buttons { OkCancel, YesNo, Ok };

    struct Question {
        QString title;
        QString text;
        Icon icon = Icon::Information;
        Buttons buttons = Buttons::Ok;
        Answer defaultAnswer = Answer::Ok; // what Enter picks
    };

    Dialogs();
    virtual ~Dialogs();
    Dialogs(const Dialogs &) = delete;
    Dialogs &operator=(const Dialogs &) = delete;

    // The answer; Cancel when the scope ends before it comes (the box is
    // then taken away unanswered).
    Task<Answer> question(const Scope *scope, const QString &title, const QString &text, Icon icon,
                          Answer defaultAnswer);
    Task<Answer> yesNo(const Scope *scope, const QString &title, const QString &text, Icon icon,
                       Answer defaultAnswer);
    // A box with one OK button; done when it is closed.
    Task<> message(const Scope *scope, const QString &title, const QString &text, Icon icon);
    // A box with one OK button that nothing waits for: it stays until it is
    // closed, and the caller goes on at once.
    void tell(const QString &title, const QString &text, Icon icon);

    // The open question, if any.
    std::optional<Question> openQuestion() const;
    // Answers the open question; nothing when none is open.
    void answer(Answer answer);
    // Each question shown gets the next number: an answer from elsewhere
    // (the web view) names the one it answers.
    quint64 openQuestionId() const { return m_shown; }
    // The answer came from elsewhere than the front end showing the box:
    // it closes the box, then the asker has the answer.
    void answerFromElsewhere(Answer answer);
    // Told when a question opens or closes.
    void setObserver(std::function<void()> observer) { m_observer = std::move(observer); }

protected:
    // Shows the open question. The front end calls answer() when it has the
    // answer, which may be before show() returns.
    virtual void show(const Question &question) = 0;
    // The open question was taken back unanswered: the front end closes it.
    virtual void withdraw() {}

private:
    struct Pending;
    Task<Answer> ask(const Scope *scope, Question question);
    void showFront();

    std::deque<Pending *> m_queue;
    bool m_frontShown = false;
    quint64 m_shown = 0;
    std::function<void()> m_observer;
    bool m_closing = false;
    QObject m_context; // for showing the next question from the event loop
    Scope m_told;      // the boxes nothing waits for
};

} // namespace korvane
