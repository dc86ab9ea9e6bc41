#include "cloud/CloudReply.h"

#include "text/Gbk.h"

#include <QRegularExpression>

namespace korvane {

namespace {
constexpr qsizetype kShownCharacters = 50;
// No status line is this long; a reply without a line end by then is not
// HTTP and is judged on what has come.
constexpr qsizetype kStatusLineLimit = 1024;

QByteArray statusLine(const QByteArray &reply)
{
    const qsizetype end = reply.indexOf('\n');
    QByteArray line = end < 0 ? reply : reply.left(end);
    if (line.endsWith('\r'))
        line.chop(1);
    return line;
}

// The shown part of the reply: its first line, cut short, with any control
// character left in it (a stray CR, a tab, a NUL) shown as a space.
QString shownText(const QByteArray &line)
{
    QString text = fromGbk(line).left(kShownCharacters);
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line
            || c.category() == QChar::Separator_Paragraph)
            c = u' ';
    }
    return text;
}
} // namespace

CloudReplyVerdict judgeCloudReply(const QByteArray &reply)
{
    static const QRegularExpression success(QStringLiteral("^HTTP/\\d\\.\\d 200( |$)"));
    const QByteArray line = statusLine(reply);
    CloudReplyVerdict verdict;
    verdict.accepted = success.match(QString::fromLatin1(line)).hasMatch();
    if (!verdict.accepted)
        verdict.notice = QStringLiteral("提交云平台失败 (Winsock): ") + shownText(line);
    return verdict;
}

bool cloudReplyJudgeable(const QByteArray &reply)
{
    return reply.contains('\n') || reply.size() >= kStatusLineLimit;
}

} // namespace korvane
