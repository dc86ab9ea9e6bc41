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

HostPortForm splitHostPort(const QString &input, QString &host, std::int32_t &port)
{
    const qsizetype colon = input.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return HostPortForm::NoPort;
    const QString after = input.mid(colon + 1).trimmed();
    if (!isNumericText(after))
        return HostPortForm::NoPort;
    // Port 0 cannot be dialled; a port too large must not wrap to another.
    const std::optional<std::int32_t> p = ToUnsignedInt(after);
    if (!p || *p == 0)
        return HostPortForm::PortOutOfRange;
    host = input.left(colon);
    port = *p;
    return HostPortForm::Split;
}

bool SplitAndValidateHostPort(const QString &input, QString &host, std::int32_t &port)
{
    return splitHostPort(input, host, port) == HostPortForm::Split;
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
