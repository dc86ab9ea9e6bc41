#include "headless/HeadlessDialogs.h"

#include "headless/LineEscape.h"

namespace korvane {

HeadlessDialogs::HeadlessDialogs(Policy policy, std::FILE *out)
    : m_policy(policy), m_out(out)
{
}

void HeadlessDialogs::show(const Question &question)
{
    const QByteArray line = (QStringLiteral("MsgBox title=") + escapeLine(question.title) + QStringLiteral(" text=")
                             + escapeLine(question.text) + QLatin1Char('\n'))
                                .toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), m_out);
    std::fflush(m_out);
    if (m_policy == Policy::Wait)
        return;
    Answer given = question.defaultAnswer;
    if (question.buttons != Buttons::Ok && m_policy == Policy::Ok)
        given = Answer::Ok;
    else if (question.buttons != Buttons::Ok && m_policy == Policy::Cancel)
        given = Answer::Cancel;
    answer(given);
}

bool HeadlessDialogs::parsePolicy(const QString &text, Policy &policy)
{
    if (text == QLatin1String("ok"))
        policy = Policy::Ok;
    else if (text == QLatin1String("cancel"))
        policy = Policy::Cancel;
    else if (text == QLatin1String("default"))
        policy = Policy::Default;
    else if (text == QLatin1String("wait"))
        policy = Policy::Wait;
    else
        return false;
    return true;
}

} // namespace korvane
