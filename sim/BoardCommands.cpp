#include "BoardCommands.h"

#include "BoardTexts.h"

#include <QRegularExpression>

#include <optional>

namespace korvane::sim {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
const QString kBadArgument = QStringLiteral("参数错误") + kCrLf;
const QString kDone = QStringLiteral("参数已设置") + kCrLf;

std::optional<double> numberOf(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

bool plausibleLatLon(double lat, double lon) { return lat >= -90 && lat <= 90 && lon >= -180 && lon <= 180; }
} // namespace

// Exact words first, then prefixes; the first match wins, so a longer prefix
// sharing its start with a shorter one is listed before it.
const BoardCommands::Entry BoardCommands::kTable[] = {
    {"p", true, &BoardCommands::attitude},
    {"c", true, &BoardCommands::compass},
    {"g", true, &BoardCommands::receiver},
    {"?", true, &BoardCommands::help},
    {"R", true, &BoardCommands::restart},
    {"o", true, &BoardCommands::rebaseCompass},
    {"[P0H", false, &BoardCommands::manualTurn},
    {"se:", false, &BoardCommands::forwardKey},
    {"mmsi", false, &BoardCommands::targetMmsi},
    {"r", false, &BoardCommands::drive},
    {"m", false, &BoardCommands::relativeTurn},
    {"g", false, &BoardCommands::receiverRate},
    {"p", false, &BoardCommands::preset},
    {"j", false, &BoardCommands::baseLongitude},
    {"w", false, &BoardCommands::baseLatitude},
    {"TD", false, &BoardCommands::parameter},
    {"T", false, &BoardCommands::baseMode},
    // Settings the board keeps but the simulation does not act on.
    {"cl", false, &BoardCommands::parameter}, {"ch", false, &BoardCommands::parameter},
    {"cH", false, &BoardCommands::parameter}, {"cV", false, &BoardCommands::parameter},
    {"cP", false, &BoardCommands::parameter}, {"cb", false, &BoardCommands::parameter},
    {"co", false, &BoardCommands::parameter}, {"cI", false, &BoardCommands::parameter},
    {"cz", false, &BoardCommands::parameter}, {"cM", false, &BoardCommands::parameter},
    {"fX", false, &BoardCommands::parameter}, {"tz", false, &BoardCommands::parameter},
    {"LU", false, &BoardCommands::parameter}, {"LP", false, &BoardCommands::parameter},
    {"Z", false, &BoardCommands::parameter},  {"P", false, &BoardCommands::parameter},
    {"S", false, &BoardCommands::parameter},  {"a", false, &BoardCommands::parameter},
    {"J", false, &BoardCommands::parameter},  {"W", false, &BoardCommands::parameter},
    {"b", false, &BoardCommands::parameter},
};

BoardCommands::BoardCommands(BoardAntenna &antenna, BoardRegisters &registers)
    : m_antenna(antenna), m_registers(registers)
{
}

QString BoardCommands::execute(const QString &command)
{
    const QString echo = BoardTexts::commandEcho(command);
    for (const Entry &entry : kTable) {
        const QString word = QString::fromLatin1(entry.word);
        const bool match = entry.exact ? command == word : command.startsWith(word);
        if (match)
            return echo + (this->*entry.handler)(command.mid(word.size()));
    }
    return echo + QStringLiteral("未知命令") + kCrLf;
}

QString BoardCommands::attitude(const QString &) { return BoardTexts::attitudeLine(m_antenna); }

QString BoardCommands::compass(const QString &)
{
    return BoardTexts::compassLine(m_antenna, m_antenna.nextCompassReading());
}

QString BoardCommands::receiver(const QString &)
{
    return BoardTexts::receiverLine(m_registers.gnssFix, m_registers.receiverRateHz);
}

QString BoardCommands::receiverRate(const QString &argument)
{
    bool ok = false;
    const int rate = argument.toInt(&ok);
    if (!ok || rate < 0 || rate > 20)
        return kBadArgument;
    m_registers.receiverRateHz = rate;
    return receiver(argument);
}

QString BoardCommands::help(const QString &) { return BoardTexts::helpText(m_registers.baseCount); }

QString BoardCommands::restart(const QString &)
{
    m_antenna.restart();
    return QStringLiteral("机构重启,恢复自动驱动") + kCrLf;
}

QString BoardCommands::rebaseCompass(const QString &) { return QStringLiteral("罗盘基准已确认") + kCrLf; }

QString BoardCommands::drive(const QString &argument)
{
    const auto angle = numberOf(argument);
    if (!angle)
        return kBadArgument;
    m_antenna.driveTo(*angle);
    return executionReport();
}

QString BoardCommands::relativeTurn(const QString &argument)
{
    const auto degrees = numberOf(argument);
    if (!degrees)
        return kBadArgument;
    m_antenna.turnBy(*degrees);
    return executionReport();
}

QString BoardCommands::manualTurn(const QString &argument)
{
    // The rest of "[P0H<n>V<m>]"; the vertical part is accepted and ignored.
    static const QRegularExpression form(QStringLiteral("^(-?\\d+(?:\\.\\d+)?)V-?\\d+(?:\\.\\d+)?\\]$"));
    const auto match = form.match(argument);
    if (!match.hasMatch())
        return kBadArgument;
    const double offset = match.captured(1).toDouble();
    m_antenna.setManualOffset(offset);
    return (offset == 0 ? QStringLiteral("已恢复自动驱动") + kCrLf : QString()) + executionReport();
}

QString BoardCommands::preset(const QString &argument)
{
    // "<n>j<lon>w<lat>d<height>"; preset 249 is the own position before a
    // fix. With " mmsi<MMSI> *<n>" after it (fields apart by blanks) the
    // position is a target ship's; <n> is the length of the text from the
    // "p" to the MMSI plus 4, and a line whose length does not match is cut.
    static const QRegularExpression form(QStringLiteral(
        "^(\\d+) ?j(-?[\\d.]+) ?w(-?[\\d.]+) ?d(-?[\\d.]+)(?: mmsi(\\d{9}) \\*(\\d+))?$"));
    const auto match = form.match(argument);
    const auto lon = numberOf(match.captured(2));
    const auto lat = numberOf(match.captured(3));
    if (!match.hasMatch() || !lon || !lat || !plausibleLatLon(*lat, *lon))
        return kBadArgument;
    if (match.hasCaptured(5)) {
        const qsizetype body = 1 + match.capturedStart(6) - 2; // "p" up to the MMSI
        if (match.captured(6).toLongLong() != body + 4)
            return kBadArgument;
        m_antenna.setTarget(*lat, *lon);
        m_registers.targetMmsi = match.captured(5);
    } else if (match.captured(1) == QLatin1String("249")) {
        m_antenna.setOwnPosition(*lat, *lon);
    } else {
        m_antenna.setBaseLatitude(*lat);
        m_antenna.setBaseLongitude(*lon);
    }
    return kDone;
}

QString BoardCommands::baseLongitude(const QString &argument)
{
    const auto lon = numberOf(argument);
    if (!lon || !plausibleLatLon(0, *lon))
        return kBadArgument;
    m_antenna.setBaseLongitude(*lon);
    return kDone;
}

QString BoardCommands::baseLatitude(const QString &argument)
{
    const auto lat = numberOf(argument);
    if (!lat || !plausibleLatLon(*lat, 0))
        return kBadArgument;
    m_antenna.setBaseLatitude(*lat);
    return kDone;
}

QString BoardCommands::baseMode(const QString &argument)
{
    // "T" alone asks for the count; the answer carries it as the help does.
    if (argument.isEmpty())
        return BoardTexts::helpText(m_registers.baseCount).section(kCrLf, 0, 0) + kCrLf;
    bool ok = false;
    const int count = argument.toInt(&ok);
    if (!ok || count < 0 || count > 248)
        return kBadArgument;
    m_registers.baseCount = count;
    return kDone;
}

QString BoardCommands::forwardKey(const QString &argument)
{
    // "<key>(<address>)": kept and relayed in key records while relaying is on.
    static const QRegularExpression form(QStringLiteral("^([^()]+)\\(([^()]+)\\)$"));
    const auto match = form.match(argument);
    if (!match.hasMatch())
        return kBadArgument;
    m_registers.key = match.captured(1);
    m_registers.keyAddress = match.captured(2);
    return kDone;
}

QString BoardCommands::targetMmsi(const QString &argument)
{
    static const QRegularExpression form(QStringLiteral("^\\d{9}$"));
    if (!form.match(argument).hasMatch())
        return kBadArgument;
    m_registers.targetMmsi = argument;
    return kDone;
}

QString BoardCommands::executionReport()
{
    return BoardTexts::executionLine(m_antenna, m_antenna.nextCompassReading());
}

QString BoardCommands::parameter(const QString &) { return kDone; }

} // namespace korvane::sim
