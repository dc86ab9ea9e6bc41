#pragma once

#include <QString>

#include <cstdint>
#include <functional>

namespace korvane {

// Every setting as the start-up reads it, each key's rule applied. A stored
// value that does not fit its integer width reads as absent (the key's
// default).
struct StartupSettings {
    QString radioAddress;     // Text3
    QString radioUser;        // Text14
    QString radioPassword;    // Text7
    int radioPort = 9754;     // negative: leave the socket's port unset
    QString controllerAddress; // Text4
    QString controllerPort;    // Text10
    int autoLink = 0;          // Check1
    int cloud = 0;             // Cloud
    std::int16_t compassReboot = 0;
    std::int16_t pingReboot = 0;
    std::int16_t shipAis = 0;      // 1 on, 0 off, other: leave as is
    std::int16_t shipAisDrive = 0; // 1 on, 0 off
    std::int32_t fixedHeading = 0;
    std::int32_t aisHeading = 0;
    bool comparisonEnabled = false;
    std::int16_t comparisonInterval = 300;
    std::int16_t comparisonStep = 1;
    std::int16_t scanPitch = 0;
    bool scanEnabled = true;
    std::int16_t scanInterval = 600;
    QString aisPort;
    QString targetMmsi;
    std::int16_t scanStep = 0;

    using Reader = std::function<QString(const QString &key)>;
    static StartupSettings read(const Reader &read);
};

} // namespace korvane
