#include "cloud/UrlEncode.h"

#include "text/Gbk.h"

namespace korvane {

namespace {

bool isUnreserved(unsigned char b)
{
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' || b == '.'
           || b == '_' || b == '~';
}

} // namespace

QString UrlEncode(const QString &text)
{
    if (text.isEmpty())
        return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    const QByteArray bytes = toGbk(text);
    QString out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (isUnreserved(b)) {
            out += QLatin1Char(c);
        } else {
            out += QLatin1Char('%');
            out += QLatin1Char(kHex[b >> 4]);
            out += QLatin1Char(kHex[b & 0x0F]);
        }
    }
    return out;
}

} // namespace korvane
