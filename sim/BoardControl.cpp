// The board's stdin control lines: faults, and the events a tester makes the
// board report (alarms, base-station counts, compass trouble).
#include "BoardSim.h"

#include "BoardTexts.h"

#include <QCoreApplication>

namespace korvane::sim {

namespace {
const QString kDefaultKey = QStringLiteral("00112233445566778899aabbccddeeff");
// The count a board can hold is smaller; a tester may announce any count to
// see how a station copes with one out of range.
constexpr int kMaxAnnouncedBases = 65535;

QString onOff(bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); }
} // namespace

const BoardSim::ControlEntry BoardSim::kControls[] = {
    {"drop", &BoardSim::controlDrop},
    {"silent", &BoardSim::controlSilent},
    {"refuse-second", &BoardSim::controlRefuseSecond},
    {"gnss", &BoardSim::controlGnss},
    {"key", &BoardSim::controlKey},
    {"flood", &BoardSim::controlFlood},
    {"send", &BoardSim::controlSend},
    {"split", &BoardSim::controlSplit},
    {"nmea", &BoardSim::controlNmea},
    {"alarm", &BoardSim::controlAlarm},
    {"bases", &BoardSim::controlBases},
    {"switch", &BoardSim::controlBaseSwitch},
    {"compass", &BoardSim::controlCompass},
};

void BoardSim::control(const QString &line)
{
    answerControlLine(
        line, [this] { return statusSummary(); },
        [this](const QString &word, const QString &argument) { return runControlEntry(this, kControls, word, argument); });
}

bool BoardSim::controlDrop(const QString &)
{
    dropAll();
    return true;
}

bool BoardSim::controlSilent(const QString &argument) { return readSwitch(argument, m_silent); }

bool BoardSim::controlRefuseSecond(const QString &argument) { return readSwitch(argument, m_options.refuseSecond); }

bool BoardSim::controlGnss(const QString &argument) { return readSwitch(argument, m_registers.gnssFix); }

bool BoardSim::controlKey(const QString &argument)
{
    if (!readSwitch(argument, m_registers.relayKey))
        return false;
    if (m_registers.key.isEmpty())
        m_registers.key = kDefaultKey;
    return true;
}

bool BoardSim::controlFlood(const QString &argument)
{
    bool ok = false;
    const qint64 bytes = argument.toLongLong(&ok);
    if (!ok || bytes <= 0)
        return false;
    startFlood(bytes);
    return true;
}

bool BoardSim::controlSend(const QString &argument)
{
    writeAll(unescapeControlText(argument).toUtf8());
    return true;
}

bool BoardSim::controlSplit(const QString &argument) { return readSwitch(argument, m_splitReports); }

bool BoardSim::controlNmea(const QString &argument)
{
    if (argument == QLatin1String("off")) {
        m_registers.receiverRateHz = 0;
        return true;
    }
    const auto kinds = nmeaKindsFrom(argument);
    if (!kinds)
        return false;
    m_registers.nmeaKinds = *kinds;
    if (m_registers.receiverRateHz == 0)
        m_registers.receiverRateHz = 1;
    return true;
}

bool BoardSim::controlAlarm(const QString &argument)
{
    const auto text = BoardTexts::alarmText(argument);
    if (text)
        say(*text);
    return text.has_value();
}

bool BoardSim::controlBases(const QString &argument)
{
    bool ok = false;
    const int count = argument.toInt(&ok);
    if (!ok || count < 0 || count > kMaxAnnouncedBases)
        return false;
    m_registers.baseCount = count;
    // The board announces its base stations with its parameter listing.
    say(BoardTexts::helpText(count));
    return true;
}

bool BoardSim::controlBaseSwitch(const QString &argument)
{
    bool ok = false;
    const int base = argument.toInt(&ok);
    if (!ok || base < 1 || base > kMaxAnnouncedBases)
        return false;
    say(BoardTexts::baseSwitchText(base, m_antenna.base().alt));
    return true;
}

bool BoardSim::controlCompass(const QString &argument)
{
    if (argument == QLatin1String("init")) {
        say(BoardTexts::compassInitText());
        return true;
    }
    if (argument == QLatin1String("based")) {
        say(BoardTexts::compassBasedText());
        return true;
    }
    bool stuck = false;
    if (!argument.startsWith(QLatin1String("stuck ")) || !readSwitch(argument.mid(6).trimmed(), stuck))
        return false;
    m_antenna.setCompassStuck(stuck);
    return true;
}

QString BoardSim::statusSummary() const
{
    const auto compass = m_antenna.lastCompassReading();
    return QStringLiteral("status clients=%1 accepted=%2 refused=%3 dropped=%4 commands=%5 bytes_in=%6 bytes_out=%7")
               .arg(m_clients.size())
               .arg(m_counts.accepted)
               .arg(m_counts.refused)
               .arg(m_counts.dropped)
               .arg(m_counts.commands)
               .arg(m_counts.bytesIn)
               .arg(m_counts.bytesOut)
           + QStringLiteral(" silent=%1 mute=%2 refuse_second=%3 key=%4 gnss=%5")
                 .arg(onOff(m_silent), onOff(m_options.mute), onOff(m_options.refuseSecond),
                      onOff(m_registers.relayKey), onOff(m_registers.gnssFix))
           + QStringLiteral(" split=%1 split_reports=%2 nmea=%3 receiver_rate=%4 bases=%5")
                 .arg(onOff(m_splitReports))
                 .arg(m_counts.splitReports)
                 .arg(m_registers.receiverRateHz > 0 ? nmeaKindsName(m_registers.nmeaKinds) : QStringLiteral("off"))
                 .arg(m_registers.receiverRateHz)
                 .arg(m_registers.baseCount)
           + QStringLiteral(" compass_stuck=%1 compass=%2")
                 .arg(onOff(m_antenna.compassStuck()),
                      compass ? BoardTexts::fixed(*compass, 1) : QStringLiteral("none"))
           + QStringLiteral(" azimuth=%1 goal=%2 offset=%3 drive=%4")
                 .arg(BoardTexts::fixed(m_antenna.azimuth(), 1), BoardTexts::fixed(m_antenna.goal(), 1),
                      BoardTexts::fixed(m_antenna.offset(), 1),
                      m_antenna.shipDrive() ? QStringLiteral("ship") : QStringLiteral("auto"));
}

} // namespace korvane::sim
