#include "cloud/CloudReply.h"

#include "text/Gbk.h"

namespace korvane {

namespace {
constexpr qsizetype kShownCharacters = 50;
} // namespace

CloudReplyVerdict judgeCloudReply(const QByteArray &reply)
{
    const QString r = fromGbk(reply);
    CloudReplyVerdict verdict;
    verdict.accepted = r.contains(QLatin1String("200")) || r.toUpper().contains(QLatin1String("OK"));
    if (!verdict.accepted)
        verdict.notice = QStringLiteral("提交云平台失败 (Winsock): ") + r.left(kShownCharacters);
    return verdict;
}

} // namespace korvane
