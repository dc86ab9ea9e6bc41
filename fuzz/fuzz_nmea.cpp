// Fuzz target: any bytes as one chunk of the receiver's text. Besides
// crashes and undefined behaviour it checks the ranges of what the parser
// and its helpers return for every line.
#include "geo/NmeaParser.h"

#include <QList>
#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

using namespace korvane;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

bool isUpperHex(QStringView text)
{
    for (const QChar c : text) {
        if (!IsHexChar(c.unicode()) || (c >= u'a' && c <= u'f'))
            return false;
    }
    return true;
}

void checkLine(QStringView line)
{
    const int start = FindNmeaStart(line);
    require(start >= 0 && start <= std::max<qsizetype>(2, line.size()));
    const QString computed = CalcNmeaChecksum(line);
    require(computed.isEmpty() || (computed.size() == 2 && isUpperHex(computed)));
    const QString sent = GetNmeaChecksum(line);
    require(sent.size() <= 2 && isUpperHex(sent));
    const qsizetype comma = line.indexOf(u',');
    const std::optional<double> degrees =
        NmeaToDegrees(line.left(comma < 0 ? line.size() : comma), line.mid(comma + 1, 1));
    require(!degrees || std::isfinite(*degrees));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data),
                                           static_cast<qsizetype>(size));
    const std::optional<NmeaPosition> position = ParseNMEAData(text);
    require(!position || (std::isfinite(position->latitude) && std::isfinite(position->longitude)));
    for (const QStringView line : QStringView(text).split(u"\r\n"))
        checkLine(line);
    return 0;
}
