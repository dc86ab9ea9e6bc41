#pragma once

#include <QString>

namespace korvane {

// What one reply of the JSON-console radio says, cut by its markers. The
// radio's JSON is not parsed: a reply that orders its keys differently reads
// as missing values.
struct JsonConsoleReply {
    bool prompt = false;          // "console :"
    bool credentialsRejected = false; // error code 12
    bool keyExpired = false;      // error code 10
    bool accepted = false;        // error code 0 (a reboot was accepted)
    bool keyIssued = false;       // the reply mentions "secretkey"
    QString key;
    // The MAC inside the firmware fragment; `macSeen` when the reply has a
    // "mac" followed by "voltage" at all.
    bool macSeen = false;
    QString firmwareMac;
    // The connect list: rates and signal of the link, and up to two noise
    // texts (the later one, when present, stands).
    bool linkStatus = false;
    double rxRate = 0;
    double txRate = 0;
    double signal = 0;
    QString noise;
    QString noiseAgain;
    // Device name: `nameSeen` when some "name" comes before some "ip".
    bool nameSeen = false;
    QString name;
};

JsonConsoleReply readJsonConsoleReply(const QString &reply);

// The commands this radio takes; every one ends in CR LF.
QString jsonLoginCommand(const QString &user, const QString &password);
QString jsonConfigurationCommand(const QString &key);
QString jsonPollCommand(const QString &key);
QString jsonRebootCommand(const QString &key);

} // namespace korvane
