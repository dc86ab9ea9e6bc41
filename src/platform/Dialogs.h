#pragma once

#include <QString>

namespace korvane {

// Modal message boxes. The window shows them; the headless front end prints
// them and answers with the configured answer.
class Dialogs {
public:
    enum class Answer { Ok, Cancel };
    enum class Icon { Information, Warning, Question, Error, None };

    virtual ~Dialogs() = default;
    // An OK/Cancel question; `defaultAnswer` is what Enter picks.
    virtual Answer question(const QString &title, const QString &text, Icon icon,
                            Answer defaultAnswer) = 0;
    // A question with Yes and No buttons: Ok stands for Yes, Cancel for
    // No. Front ends without such buttons ask it as question().
    virtual Answer yesNo(const QString &title, const QString &text, Icon icon, Answer defaultAnswer)
    {
        return question(title, text, icon, defaultAnswer);
    }
    // A box with one OK button.
    virtual void message(const QString &title, const QString &text, Icon icon) = 0;
};

} // namespace korvane
