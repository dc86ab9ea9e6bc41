#include "radio/JsonConsoleReply.h"

#include "text/FindValue.h"
#include "text/Numbers.h"

namespace korvane {

namespace {

QString cut(const char *start, const char *end, const QString &text)
{
    return FindValue(QString::fromLatin1(start), QString::fromLatin1(end), text);
}

bool has(const QString &text, const char *what)
{
    return text.contains(QLatin1String(what));
}

QString keyedCommand(const char *verb, const QString &key)
{
    return QString::fromLatin1(verb) + QStringLiteral(" {\"secretkey\": \"") + key + QStringLiteral("\" }\r\n");
}

} // namespace

JsonConsoleReply readJsonConsoleReply(const QString &r)
{
    JsonConsoleReply j;
    j.prompt = has(r, "console :");
    j.credentialsRejected = has(r, "{\"errorcode\":\"12\"}");
    j.keyExpired = has(r, "{\"errorcode\":\"10\"}");
    j.accepted = has(r, "{\"errorcode\":\"0\"}");
    j.keyIssued = has(r, "secretkey");
    j.key = cut("secretkey\":\"", "\",\"errorcode", r);
    j.macSeen = !cut("mac\":\"", "\",\"voltage", r).isEmpty();
    j.firmwareMac = cut("mac\":\"", "\",\"vol", cut("firversion\":\"", "tage", r));
    j.linkStatus = !cut("connectlist", "mac", r).isEmpty();
    j.rxRate = numberOfText(cut("rxbit\":\"", "\"acktimeout", r));
    j.txRate = numberOfText(cut("txbit\":\"", "\"signal", r));
    j.signal = numberOfText(cut("signal\":\"", "\"}]", r));
    j.noise = cut("noise\":\"", "\",\"rxbit", r);
    j.noiseAgain = cut("noise\":\"", "\",\"ssid", r);
    j.nameSeen = !cut("name", "ip", r).isEmpty();
    j.name = cut("name\":\"", "\",\"ip", r);
    return j;
}

QString jsonLoginCommand(const QString &user, const QString &password)
{
    return QStringLiteral("auth {\"username\":\"") + user + QStringLiteral("\",\"password\":\"") + password
           + QStringLiteral("\"}\r\n");
}

QString jsonConfigurationCommand(const QString &key)
{
    return keyedCommand("getconfig", key);
}

QString jsonPollCommand(const QString &key)
{
    return keyedCommand("systeminfo", key);
}

QString jsonRebootCommand(const QString &key)
{
    return QStringLiteral("tool {\"secretkey\": \"") + key + QStringLiteral("\" ,\"action\": \"reboot\"}\r\n");
}

} // namespace korvane
