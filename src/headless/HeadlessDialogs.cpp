#include "headless/HeadlessDialogs.h"

#include "headless/LineEscape.h"

namespace korvane {

HeadlessDialogs::HeadlessDialogs(Policy policy, std::FILE *out)
    : m_policy(policy), m_out(out)
{
}

Dialogs::Answer HeadlessDialogs::question(const QString &title, const QString &text, Icon icon,
                                          Answer defaultAnswer)
{
    message(title, text, icon);
    switch (m_policy) {
    case Policy::Ok:
        return Answer::Ok;
    case Policy::Cancel:
        return Answer::Cancel;
    case Policy::Default:
        break;
    }
    return defaultAnswer;
}

void HeadlessDialogs::message(const QString &title, const QString &text, Icon)
{
    const QByteArray line = (QStringLiteral("MsgBox title=") + escapeLine(title) + QStringLiteral(" text=")
                             + escapeLine(text) + QLatin1Char('\n'))
                                .toUtf8();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), m_out);
    std::fflush(m_out);
}

bool HeadlessDialogs::parsePolicy(const QString &text, Policy &policy)
{
    if (text == QLatin1String("ok"))
        policy = Policy::Ok;
    else if (text == QLatin1String("cancel"))
        policy = Policy::Cancel;
    else if (text == QLatin1String("default"))
        policy = Policy::Default;
    else
        return false;
    return true;
}

} // namespace korvane
