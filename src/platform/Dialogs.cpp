#include "platform/Dialogs.h"

#include <QTimer>

#include <algorithm>

namespace korvane {

struct Dialogs::Pending {
    Question question;
    Suspension &wait;
    std::optional<Answer> answer;
};

Dialogs::Dialogs() = default;

Dialogs::~Dialogs()
{
    // Askers still waiting take Cancel; no front end is told any more.
    m_closing = true;
    while (!m_queue.empty()) {
        Pending *pending = m_queue.front();
        m_queue.pop_front();
        pending->wait.wake();
    }
}

Task<Dialogs::Answer> Dialogs::question(const Scope *scope, const QString &title, const QString &text, Icon icon,
                                        Answer defaultAnswer)
{
    return ask(scope, {title, text, icon, Buttons::OkCancel, defaultAnswer});
}

Task<Dialogs::Answer> Dialogs::yesNo(const Scope *scope, const QString &title, const QString &text, Icon icon,
                                     Answer defaultAnswer)
{
    return ask(scope, {title, text, icon, Buttons::YesNo, defaultAnswer});
}

Task<> Dialogs::message(const Scope *scope, const QString &title, const QString &text, Icon icon)
{
    // Named, not a braced temporary in the await: GCC 12 destroys those
    // twice.
    Question question{title, text, icon, Buttons::Ok, Answer::Ok};
    co_await ask(scope, std::move(question));
}

void Dialogs::tell(const QString &title, const QString &text, Icon icon)
{
    launch(message(&m_told, title, text, icon), "message box");
}

Task<Dialogs::Answer> Dialogs::ask(const Scope *scope, Question question)
{
    Suspension wait(scope);
    Pending pending{std::move(question), wait, std::nullopt};
    if (m_closing || wait.ended())
        co_return Answer::Cancel;
    m_queue.push_back(&pending);
    if (m_queue.size() == 1)
        showFront();
    if (!pending.answer)
        co_await wait;
    if (pending.answer)
        co_return *pending.answer;
    // The scope ended first (or the front ends are going).
    const auto it = std::find(m_queue.begin(), m_queue.end(), &pending);
    if (it != m_queue.end()) {
        const bool wasOpen = it == m_queue.begin();
        m_queue.erase(it);
        if (wasOpen && !m_closing) {
            m_frontShown = false;
            withdraw();
            if (m_observer)
                m_observer();
            QTimer::singleShot(0, &m_context, [this] { showFront(); });
        }
    }
    co_return Answer::Cancel;
}

void Dialogs::showFront()
{
    if (m_queue.empty() || m_frontShown || m_closing)
        return;
    m_frontShown = true;
    ++m_shown;
    if (m_observer)
        m_observer();
    show(m_queue.front()->question);
}

std::optional<Dialogs::Question> Dialogs::openQuestion() const
{
    if (m_queue.empty() || !m_frontShown)
        return std::nullopt;
    return m_queue.front()->question;
}

void Dialogs::answer(Answer answer)
{
    if (m_queue.empty() || !m_frontShown)
        return;
    Pending *pending = m_queue.front();
    m_queue.pop_front();
    m_frontShown = false;
    pending->answer = answer;
    if (m_observer)
        m_observer();
    // The next question opens from the event loop, after the asker has gone
    // on with this answer.
    if (!m_queue.empty())
        QTimer::singleShot(0, &m_context, [this] { showFront(); });
    pending->wait.wake();
}

void Dialogs::answerFromElsewhere(Answer given)
{
    if (m_queue.empty() || !m_frontShown)
        return;
    withdraw();
    answer(given);
}

} // namespace korvane
