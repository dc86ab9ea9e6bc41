#include "app/StartupSettings.h"

#include "model/SettingKeys.h"
#include "text/Numbers.h"

namespace korvane {

namespace {

template <typename T>
T widthOr(const QString &text, T absent)
{
    return textToWidth<T>(text).value_or(absent);
}

// Check boxes hold 0 or 1; anything else leaves the box clear.
int checkState(const QString &text)
{
    return widthOr<std::int16_t>(text, 0) == 1 ? 1 : 0;
}

int radioPortRule(const QString &text)
{
    const std::int16_t port = widthOr<std::int16_t>(text, 0);
    if (port == 0)
        return 9754;
    return port;
}

std::int16_t comparisonStepRule(const QString &text)
{
    if (text.isEmpty() || numberOfText(text) > 5)
        return 1;
    const std::int16_t step = widthOr<std::int16_t>(text, 0);
    return step == 0 ? 1 : step;
}

std::int16_t rangeOr(const QString &text, std::int16_t low, std::int16_t high, std::int16_t fallback)
{
    const std::int16_t v = widthOr<std::int16_t>(text, 0);
    return (v < low || v > high) ? fallback : v;
}

} // namespace

StartupSettings StartupSettings::read(const Reader &read)
{
    StartupSettings s;
    s.radioAddress = read(keys::DEVICE_WIRESS_IP);
    s.radioUser = read(keys::DEVICE_WIRESS_USER);
    s.radioPassword = read(keys::DEVICE_WIRESS_PASSWORD);
    s.radioPort = radioPortRule(read(keys::DEVICE_WIRESS_PORT));
    s.controllerAddress = read(keys::DEVICE_KORVANE_IP);
    s.controllerPort = read(keys::DEVICE_KORVANE_PORT);
    s.autoLink = checkState(read(keys::KORVANE_AUTOLINK));
    s.cloud = checkState(read(keys::KORVANE_CLOUD));
    s.compassReboot = widthOr<std::int16_t>(read(keys::ERROR_COMPSAME_REBOOT), 0);
    s.pingReboot = widthOr<std::int16_t>(read(keys::PING_100MS_REBOOT), 0);
    s.shipAis = widthOr<std::int16_t>(read(keys::USE_SHIP_AIS), 0);
    s.shipAisDrive = static_cast<std::int16_t>(checkState(read(keys::USE_SHIP_AIS_DRIVE)));
    s.fixedHeading = widthOr<std::int32_t>(read(keys::USE_SHIP_AIS_FIXHDG), 0);
    if (s.shipAisDrive == 1)
        s.aisHeading = widthOr<std::int32_t>(read(keys::USE_SHIP_AIS_ANG), 0);
    s.comparisonEnabled = read(keys::USE_SHIP_AIS_SCAN_COMP) == QLatin1String("1");
    s.comparisonInterval = rangeOr(read(keys::USE_SHIP_AIS_SCAN_COMP_TIME), 60, 3600, 300);
    s.comparisonStep = comparisonStepRule(read(keys::USE_SHIP_AIS_SCAN_COMP_ANG));
    s.scanPitch = widthOr<std::int16_t>(read(keys::USE_SHIP_AIS_SCAN_PITCH), 0);
    s.scanEnabled = read(keys::USE_SHIP_AIS_SCAN_AUTO) != QLatin1String("0");
    s.scanInterval = rangeOr(read(keys::USE_SHIP_AIS_SCAN_AUTO_TIME), 180, 3600, 600);
    s.aisPort = read(keys::USE_SHIP_AIS_COM);
    s.targetMmsi = read(keys::USE_SHIP_MMSI);
    s.scanStep = widthOr<std::int16_t>(read(keys::SCAN_STEP), 0);
    return s;
}

} // namespace korvane
