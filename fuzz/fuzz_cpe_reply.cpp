// A 5G CPE's reply body, as a reading shows it, on arbitrary bytes: no
// crash; the status text starts with the band label; the MAC is twelve
// upper-case hexadecimal digits or nothing; a value cut from the reply is
// text of the reply.
#include "FuzzStation.h"
#include "radio/CpeReply.h"
#include "text/Numbers.h"

#include <QRegularExpression>

#include <cstdint>
#include <cstdlib>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Station &station = fuzz::fuzzStation([](Station &s) { s.radio.RadioFamily = RadioFamilyCpe; });
    const QString body =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    station.radio.radioMac.clear();
    station.radioPoller.cpe().show(body);

    const CpeReply r = readCpeReply(body);
    for (const QString &value : {r.rsrp, r.band, r.status, r.mac}) {
        if (!body.contains(value))
            std::abort();
    }
    const QString band = BandName(r.band, r.mnc);
    const QString label = band.isEmpty() ? QStringLiteral("Band ") + r.band : band;
    if (!station.radio.cpeStatusText.startsWith(label) || !(band.isEmpty() || band.endsWith(CarrierName(r.mnc))))
        std::abort();
    static const QRegularExpression mac(QStringLiteral("^([0-9A-F]{12})?$"));
    if (!mac.match(station.radio.radioMac).hasMatch())
        std::abort();
    if (numberOfText(r.rsrp) >= 0 && station.radioStats.signalDbm != -120)
        std::abort();
    return 0;
}
