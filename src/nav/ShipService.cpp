#include "nav/ShipService.h"

namespace korvane {

QUrl shipServiceBase(const QString &stored)
{
    QString text = stored.trimmed();
    if (text.isEmpty())
        text = QString::fromLatin1(kDefaultShipService);
    if (!text.contains(QLatin1String("://")))
        text.prepend(QStringLiteral("http://"));
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() || (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        || url.hasQuery() || url.hasFragment())
        return {};
    return url;
}

QUrl shipLookupUrl(const QUrl &base)
{
    QUrl url = base;
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QString::fromLatin1(kShipLookupPath));
    return url;
}

} // namespace korvane
