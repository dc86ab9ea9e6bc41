#include "AisEncoder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace korvane::sim {

namespace {

constexpr double kMinutesUnits = 600000.0; // 1/10000 minute per degree
constexpr int kPayloadBits = 168;

class BitWriter {
public:
    void put(qint64 value, int width)
    {
        for (int i = width - 1; i >= 0; --i)
            m_bits.push_back(((value >> i) & 1) != 0);
    }

    QByteArray armoured() const
    {
        QByteArray out;
        for (size_t i = 0; i < m_bits.size(); i += 6) {
            int v = 0;
            for (size_t k = i; k < i + 6; ++k)
                v = (v << 1) | (k < m_bits.size() && m_bits[k] ? 1 : 0);
            out.append(static_cast<char>(v < 40 ? v + 48 : v + 56));
        }
        return out;
    }

    size_t size() const { return m_bits.size(); }

private:
    std::vector<bool> m_bits;
};

qint64 coordinate(double degrees)
{
    return std::llround(degrees * kMinutesUnits);
}

int speedTenths(double knots)
{
    return std::clamp(static_cast<int>(std::lround(knots * 10.0)), 0, 1022);
}

int courseTenths(double degrees)
{
    double c = std::fmod(degrees, 360.0);
    if (c < 0)
        c += 360.0;
    return static_cast<int>(std::lround(c * 10.0)) % 3600;
}

} // namespace

QByteArray aisPayload(const AisPositionReport &r)
{
    BitWriter w;
    const bool classB = r.type == 18;
    w.put(classB ? 18 : std::clamp(r.type, 1, 3), 6);
    w.put(0, 2); // repeat indicator
    w.put(r.mmsi, 30);
    if (classB) {
        w.put(0, 8); // regional reserved
    } else {
        w.put(0, 4);   // navigational status: under way using engine
        w.put(128, 8); // rate of turn: not available (-128)
    }
    w.put(speedTenths(r.speedKnots), 10);
    w.put(0, 1); // position accuracy
    w.put(coordinate(r.longitude), 28);
    w.put(coordinate(r.latitude), 27);
    w.put(courseTenths(r.courseDegrees), 12);
    w.put(r.heading, 9);
    w.put(r.second, 6);
    if (classB) {
        w.put(0, 2);  // regional reserved
        w.put(1, 1);  // carrier-sense unit
        w.put(0, 5);  // display, DSC, band, message 22, assigned
        w.put(0, 1);  // RAIM
        w.put(0, 20); // radio status
    } else {
        w.put(0, 2);  // manoeuvre indicator
        w.put(0, 3);  // spare
        w.put(0, 1);  // RAIM
        w.put(0, 19); // radio status
    }
    Q_ASSERT(w.size() == kPayloadBits);
    return w.armoured();
}

QByteArray nmeaChecksum(QByteArrayView body)
{
    int sum = 0;
    for (const char c : body)
        sum ^= static_cast<unsigned char>(c);
    return QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

QByteArray aivdmSentence(const QByteArray &payload, char channel)
{
    const QByteArray body = "AIVDM,1,1,," + QByteArray(1, channel) + ',' + payload + ",0";
    return '!' + body + '*' + nmeaChecksum(body);
}

QByteArray corruptChecksum(const QByteArray &sentence)
{
    QByteArray out = sentence;
    const qsizetype star = out.lastIndexOf('*');
    if (star < 0 || star + 2 >= out.size())
        return out + "*00";
    // Changing the last digit always gives another valid-looking checksum.
    out[star + 2] = out[star + 2] == '0' ? '1' : '0';
    return out;
}

} // namespace korvane::sim
