#include "web/RequestFraming.h"

#include <QList>

#include <algorithm>

namespace korvane::web {

RequestFraming::Verdict RequestFraming::feed(const QByteArray &bytes)
{
    qsizetype at = 0;
    while (at < bytes.size()) {
        if (m_upgraded)
            return Verdict::Upgraded;
        if (m_bodyLeft > 0) {
            const qint64 take = std::min<qint64>(m_bodyLeft, bytes.size() - at);
            m_bodyLeft -= take;
            at += take;
            if (m_bodyLeft == 0)
                ++m_completed;
            continue;
        }
        // Empty lines between requests are allowed and belong to none.
        if (m_head.isEmpty() && (bytes[at] == '\r' || bytes[at] == '\n')) {
            ++at;
            continue;
        }
        // The end marker may straddle two reads: look again from the head's
        // last three bytes.
        const qsizetype had = m_head.size();
        const qsizetype take = std::min<qsizetype>(bytes.size() - at, kHeadLimit + 4 - had);
        m_head.append(bytes.mid(at, take));
        const qsizetype end = m_head.indexOf("\r\n\r\n", std::max<qsizetype>(0, had - 3));
        if (end < 0) {
            if (m_head.size() > kHeadLimit)
                return Verdict::HeadTooLarge;
            at += take;
            continue;
        }
        at += end + 4 - had;
        m_head.truncate(end + 4);
        const Verdict v = endHead();
        if (v != Verdict::Fine)
            return v;
    }
    return m_upgraded ? Verdict::Upgraded : Verdict::Fine;
}

RequestFraming::Verdict RequestFraming::endHead()
{
    if (m_head.size() > kHeadLimit)
        return Verdict::HeadTooLarge;
    qint64 length = 0;
    bool upgrade = false;
    const QList<QByteArray> lines = m_head.split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "content-length") {
            bool ok = false;
            length = value.toLongLong(&ok);
            if (!ok || length < 0)
                return Verdict::LengthRequired;
        } else if (name == "transfer-encoding" && value.toLower() != "identity") {
            return Verdict::LengthRequired;
        } else if (name == "upgrade" && value.toLower() == "websocket") {
            upgrade = true;
        }
    }
    m_head.clear();
    if (length > kBodyLimit)
        return Verdict::BodyTooLarge;
    if (upgrade) {
        m_upgraded = true;
        ++m_completed;
        return Verdict::Upgraded;
    }
    m_bodyLeft = length;
    if (length == 0)
        ++m_completed;
    return Verdict::Fine;
}

} // namespace korvane::web
