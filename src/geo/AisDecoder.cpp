#include "geo/AisDecoder.h"

#include "geo/SentenceFields.h"

#include <QTimeZone>

#include <array>

namespace korvane {

namespace {

// A payload shorter than this holds fewer than 140 bits: not a report.
constexpr qsizetype kMinPayloadChars = 24;
// Every field read lies within the first 23 characters (138 bits).
constexpr qsizetype kReadChars = 23;
constexpr int kPayloadField = 5;

constexpr quint32 kTypesOneToThreeLast = 3;
constexpr quint32 kClassBType = 18;
constexpr qint32 kLongitudeNotAvailable = 108600000; // 181 degrees
constexpr qint32 kLatitudeNotAvailable = 54600000;   // 91 degrees
constexpr double kUnitsPerDegree = 600000.0;         // 1/10000 minute
constexpr qint16 kHighestHeading = 359;
constexpr int kStationUtcOffsetSeconds = 8 * 3600;

// Bit positions (1-based) and widths of the fields read, ITU-R M.1371.
struct FieldLayout {
    int heading;
    int longitude;
    int latitude;
};
constexpr FieldLayout kClassALayout{129, 62, 90};
constexpr FieldLayout kClassBLayout{125, 58, 86};
constexpr int kTypeBit = 1, kTypeWidth = 6;
constexpr int kMmsiBit = 9, kMmsiWidth = 30;
constexpr int kHeadingWidth = 9, kLongitudeWidth = 28, kLatitudeWidth = 27;

// The six-bit value of one armoured character. The last range is this
// system's own extension; those characters never occur in a valid payload.
int armouredValue(char16_t c)
{
    if (c >= 48 && c <= 87)
        return c - 48;
    if (c >= 96 && c <= 119)
        return c - 56;
    if (c >= 40 && c <= 47)
        return c - 32;
    return 0;
}

// Fixed-width fields read straight from the six-bit values, giving what
// PayloadToBin and BinToDec would give for the same bits.
class PayloadBits
{
public:
    explicit PayloadBits(QStringView payload)
    {
        for (qsizetype i = 0; i < kReadChars; ++i)
            m_values[i] = static_cast<quint8>(armouredValue(payload[i].unicode()));
    }

    // `first` is 1-based; width at most 31 and within the 138 bits.
    quint32 unsignedAt(int first, int width) const
    {
        const int begin = first - 1;
        const int end = begin + width;
        quint64 acc = 0;
        for (int c = begin / 6; c <= (end - 1) / 6; ++c)
            acc = (acc << 6) | m_values[c];
        const int trailing = ((end - 1) / 6 + 1) * 6 - end;
        return static_cast<quint32>((acc >> trailing) & ((quint64(1) << width) - 1));
    }

    qint32 signedAt(int first, int width) const
    {
        const qint64 u = unsignedAt(first, width);
        return static_cast<qint32>(u >> (width - 1) ? u - (qint64(1) << width) : u);
    }

private:
    std::array<quint8, kReadChars> m_values{};
};

double degreesOrNone(qint32 raw, qint32 notAvailable)
{
    return raw == notAvailable ? AisFix::kNoCoordinate : raw / kUnitsPerDegree;
}

} // namespace

using sentence::fieldAt;
using sentence::trimSpaces;

AisFix DecodeAIS(QStringView AISMessage)
{
    AisFix fix;
    QStringView s = trimSpaces(AISMessage);
    const qsizetype star = s.lastIndexOf(u'*');
    if (star >= 0)
        s.truncate(star); // the checksum is not checked
    const std::optional<QStringView> field = fieldAt(s, kPayloadField);
    if (!field)
        return fix;
    const QStringView payload = trimSpaces(*field);
    if (payload.size() < kMinPayloadChars)
        return fix;

    const PayloadBits bits(payload);
    const quint32 type = bits.unsignedAt(kTypeBit, kTypeWidth);
    const bool classA = type >= 1 && type <= kTypesOneToThreeLast;
    if (!classA && type != kClassBType)
        return fix;
    const FieldLayout &layout = classA ? kClassALayout : kClassBLayout;

    fix.mmsi = static_cast<qint32>(bits.unsignedAt(kMmsiBit, kMmsiWidth));
    const auto heading = static_cast<qint16>(bits.unsignedAt(layout.heading, kHeadingWidth));
    fix.heading = (heading > kHighestHeading && heading != AisFix::kHeadingNotSent)
        ? AisFix::kNoHeading
        : heading;
    fix.longitude = degreesOrNone(bits.signedAt(layout.longitude, kLongitudeWidth),
                                  kLongitudeNotAvailable);
    fix.latitude = degreesOrNone(bits.signedAt(layout.latitude, kLatitudeWidth),
                                 kLatitudeNotAvailable);
    return fix;
}

QDateTime AisTime(qint32 unixTime)
{
    return QDateTime::fromSecsSinceEpoch(unixTime, QTimeZone(kStationUtcOffsetSeconds));
}

QString PayloadToBin(QStringView payload)
{
    QString bits;
    bits.reserve(payload.size() * 6);
    for (const QChar c : payload)
        bits += SixBitToBin(static_cast<qint16>(armouredValue(c.unicode())));
    return bits;
}

QString SixBitToBin(qint16 value)
{
    QString bits(6, u'0');
    for (int i = 0; i < 6; ++i) {
        if (value & (1 << (5 - i)))
            bits[i] = u'1';
    }
    return bits;
}

std::optional<qint32> BinToDec(QStringView bits)
{
    const qsizetype first = bits.indexOf(u'1');
    if (first < 0)
        return 0;
    if (bits.size() - first > 31)
        return std::nullopt; // past the largest signed 32-bit value
    quint32 value = 0;
    for (qsizetype i = first; i < bits.size(); ++i)
        value = (value << 1) | (bits[i] == u'1' ? 1u : 0u);
    return static_cast<qint32>(value);
}

std::optional<qint32> BinToDecSigned(QStringView bits)
{
    const std::optional<qint32> value = BinToDec(bits);
    if (!value || bits.isEmpty() || bits.front() != u'1')
        return value;
    // The first bit is set and the value fits, so the length is at most 31.
    return static_cast<qint32>(*value - (qint64(1) << bits.size()));
}

} // namespace korvane
