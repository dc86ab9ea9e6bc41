// Fuzz target: any bytes as one received AIS sentence. Besides crashes and
// undefined behaviour it checks the decoder's direct bit reads against the
// "0"/"1" text of the same payload, and the ranges of what it returns.
#include "geo/AisDecoder.h"
#include "geo/SentenceFields.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

using namespace korvane;

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

qint32 bitsAt(const QString &bits, int first, int width, bool twosComplement)
{
    const QStringView field = QStringView(bits).mid(first - 1, width);
    const std::optional<qint32> v = twosComplement ? BinToDecSigned(field) : BinToDec(field);
    require(v.has_value());
    return *v;
}

// The same sentence decoded through PayloadToBin and the text readings.
AisFix decodeThroughText(QStringView sentence)
{
    QStringView s = sentence::trimSpaces(sentence);
    if (const qsizetype star = s.lastIndexOf(u'*'); star >= 0)
        s.truncate(star);
    const std::optional<QStringView> field = sentence::fieldAt(s, 5);
    if (!field)
        return {};
    const QString bits = PayloadToBin(sentence::trimSpaces(*field));
    if (bits.size() < 140)
        return {};
    const int type = bitsAt(bits, 1, 6, false);
    if (type != 1 && type != 2 && type != 3 && type != 18)
        return {};
    const bool classB = type == 18;
    const int heading = bitsAt(bits, classB ? 125 : 129, 9, false);
    const qint32 lon = bitsAt(bits, classB ? 58 : 62, 28, true);
    const qint32 lat = bitsAt(bits, classB ? 86 : 90, 27, true);
    return {bitsAt(bits, 9, 30, false),
            static_cast<qint16>(heading > 359 && heading != 511 ? -1 : heading),
            lon == 108600000 ? -1000 : lon / 600000.0,
            lat == 54600000 ? -1000 : lat / 600000.0};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data),
                                           static_cast<qsizetype>(size));
    const AisFix fix = DecodeAIS(text);
    require(fix == decodeThroughText(text));
    require(fix.mmsi >= -1 && fix.mmsi < (1 << 30));
    require((fix.heading >= -1 && fix.heading <= 359) || fix.heading == 511);
    require(fix.longitude == -1000 || (fix.longitude >= -224 && fix.longitude < 224));
    require(fix.latitude == -1000 || (fix.latitude >= -112 && fix.latitude < 112));
    return 0;
}
