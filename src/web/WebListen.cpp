#include "web/WebListen.h"

namespace korvane::web {

QString WebListen::text() const
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

bool WebListen::parse(const QString &text, WebListen &out, QString &error)
{
    const QString trimmed = text.trimmed();
    const qsizetype colon = trimmed.lastIndexOf(QLatin1Char(':'));
    if (colon <= 0) {
        error = QStringLiteral("需要“地址:端口”，例如 127.0.0.1:8080");
        return false;
    }
    QString host = trimmed.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    bool portOk = false;
    const uint port = trimmed.mid(colon + 1).toUInt(&portOk);
    // Port 0: any free port (the start-up line names the one it got).
    if (!portOk || port > 65535) {
        error = QStringLiteral("端口须在0到65535之间");
        return false;
    }
    QHostAddress address;
    if (host == QLatin1String("localhost"))
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(host)) {
        error = QStringLiteral("“%1”不是IP地址").arg(host);
        return false;
    }
    out.address = address;
    out.port = static_cast<quint16>(port);
    return true;
}

} // namespace korvane::web
