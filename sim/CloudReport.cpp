#include "CloudReport.h"

#include <QStringDecoder>

namespace korvane::sim {

namespace {

QString fromCodePage(const QByteArray &bytes)
{
    for (const char *name : {"GBK", "GB18030"}) {
        QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
        if (decoder.isValid())
            return decoder.decode(bytes);
    }
    return QString::fromLatin1(bytes);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray percentDecoded(const QByteArray &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text.at(i);
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text.at(i + 1)) >= 0
                   && hexValue(text.at(i + 2)) >= 0) {
            out += static_cast<char>(hexValue(text.at(i + 1)) * 16 + hexValue(text.at(i + 2)));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

// A JSON string literal; characters below U+0020 as \u escapes.
QByteArray jsonString(const QString &text)
{
    QByteArray out = "\"";
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == u'"' || u == u'\\') {
            out += '\\';
            out += static_cast<char>(u);
        } else if (u < 0x20) {
            out += QStringLiteral("\\u%1").arg(u, 4, 16, QLatin1Char('0')).toLatin1();
        } else {
            out += QString(c).toUtf8();
        }
    }
    return out + '"';
}

qint64 sessionCount = 0;

const char *reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
    }
}

} // namespace

std::optional<HttpRequestHead> parseRequestHead(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QList<QByteArray> parts = lines.value(0).trimmed().split(' ');
    if (parts.size() != 3 || parts.contains(QByteArray()))
        return std::nullopt;
    HttpRequestHead h{parts.at(0), parts.at(1), parts.at(2), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "host")
            h.host = line.mid(colon + 1).trimmed();
    }
    return h;
}

std::optional<QByteArray> shipQuery(const QByteArray &target)
{
    if (target == "/ship/")
        return QByteArray();
    if (target.startsWith("/ship/?"))
        return target.mid(7);
    return std::nullopt;
}

QList<QPair<QString, QString>> decodeQuery(const QByteArray &query)
{
    QList<QPair<QString, QString>> pairs;
    if (query.isEmpty())
        return pairs;
    for (const QByteArray &field : query.split('&')) {
        const qsizetype eq = field.indexOf('=');
        const QByteArray key = eq < 0 ? field : field.left(eq);
        const QByteArray value = eq < 0 ? QByteArray() : field.mid(eq + 1);
        pairs.append({fromCodePage(percentDecoded(key)), fromCodePage(percentDecoded(value))});
    }
    return pairs;
}

QByteArray reportJsonLine(const ReportRecord &record)
{
    QByteArray line = "{\"at\":" + jsonString(record.at.toString(Qt::ISODateWithMs));
    line += ",\"peer\":" + jsonString(record.peer);
    line += ",\"host\":" + jsonString(QString::fromLatin1(record.host));
    line += ",\"answered\":" + (record.answered > 0 ? QByteArray::number(record.answered) : QByteArray("null"));
    line += ",\"query\":{";
    bool first = true;
    for (const auto &[key, value] : decodeQuery(record.rawQuery)) {
        line += (first ? "" : ",") + jsonString(key) + ':' + jsonString(value);
        first = false;
    }
    line += "},\"raw\":" + jsonString(QString::fromLatin1(record.rawQuery)) + '}';
    return line;
}

QByteArray httpAnswer(int status)
{
    // The body is what a station checks; only a 200 answer says "OK".
    const QByteArray reason = reasonPhrase(status);
    const QByteArray body = reason;
    // A refusal for want of a login hands out a fresh session token, as the
    // server's web framework does.
    const QByteArray session = status == 401 || status == 403
                                   ? "\r\nSet-Cookie: Token=" + QByteArray::number(++sessionCount) + "; Path=/; HttpOnly"
                                   : QByteArray();
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason
           + "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) + session
           + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace korvane::sim
