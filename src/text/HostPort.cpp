#include "text/HostPort.h"

#include "text/Numbers.h"

namespace korvane {

std::optional<std::int32_t> ToUnsignedInt(const QString &text)
{
    const std::optional<std::int32_t> v = toInt32(numberOfText(text));
    if (!v || *v < 0 || *v > 65535)
        return std::nullopt;
    return v;
}

bool SplitAndValidateHostPort(const QString &input, QString &host, std::int32_t &port)
{
    const qsizetype colon = input.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    const QString after = input.mid(colon + 1);
    if (!isNumericText(after))
        return false;
    // A port outside the range makes the address unsplit rather than
    // silently wrapping to another port.
    const std::optional<std::int32_t> p = ToUnsignedInt(after);
    if (!p)
        return false;
    host = input.left(colon);
    port = *p;
    return true;
}

bool isWebAddress(const QString &address)
{
    return address.trimmed().startsWith(QLatin1String("http://"), Qt::CaseInsensitive);
}

bool isDialableRadioHost(const QString &host)
{
    return !host.trimmed().isEmpty() && !isWebAddress(host);
}

} // namespace korvane
