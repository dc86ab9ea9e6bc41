#pragma once

#include "RadioLink.h"

#include <QString>

#include <optional>

namespace korvane::sim {

enum class RadioFamily { AirOs, AirFiber, Json, Iwconfig };

std::optional<RadioFamily> radioFamilyFrom(const QString &name);
QString radioFamilyName(RadioFamily family);

// Who the simulated radio is.
struct RadioIdentity {
    QString name = QStringLiteral("KV-Radio-01");
    QString mac = QStringLiteral("24:5A:4C:1E:7B:03");
    QString deviceIp = QStringLiteral("192.168.1.20");
    QString essid = QStringLiteral("KORVANE");
    QString deviceId = QStringLiteral("000004"); // the Linux radio's login prompt
    QString latitude = QStringLiteral("0.000000");
    QString longitude = QStringLiteral("0.000000");
};

// The texts each family's console writes. Lines end in CR LF, as a
// terminal session delivers them.
namespace radiotexts {

QString loginPrompt(RadioFamily family, const RadioIdentity &id);
QString shellBanner(RadioFamily family, const RadioIdentity &id);
QString shellPrompt(RadioFamily family);
QString loginIncorrect(RadioFamily family, const RadioIdentity &id);
// The command this family's status answers to; true when `line` asks for it.
bool isStatusCommand(RadioFamily family, const QString &line);
QString notFound(const QString &command);

// Status replies, without the prompt that follows them.
QString airOsStatus(const RadioIdentity &id, const RadioLink::Reading &r, quint64 uptime);
QString airFiberStatus(const RadioIdentity &id, const RadioLink::Reading &r, quint64 uptime);
QString iwconfigStatus(const RadioIdentity &id, const RadioLink::Reading &r);

// The JSON console.
QString jsonPrompt();
QString jsonKeyIssued(const QString &key);
QString jsonError(int code);
QString jsonConfiguration(const RadioIdentity &id);
QString jsonSystemInfo(const RadioIdentity &id, const RadioLink::Reading &r);

} // namespace radiotexts

} // namespace korvane::sim
