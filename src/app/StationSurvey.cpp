// A survey turns the antenna away from its automatic direction. Whatever
// ends the survey early (a stop of the program, even a hard one; the board
// going away) must leave the board driving automatically again.
#include "app/Station.h"

#include "model/SettingKeys.h"
#include "platform/SettingsStore.h"

namespace korvane {

namespace {

const QString kAutomatic = QStringLiteral("[P0H0V0]\r\n");
const QString kUnfinished = QStringLiteral("1");
const QString kDone = QStringLiteral("0");

} // namespace

void Station::setupSurveyGuard()
{
    connect(&autoScan.record(), &AutoScanRecord::changed, this, [this](AutoScanRecord::Event event) {
        if (event == AutoScanRecord::Event::Armed)
            m_settings.write(keys::AUTOSCAN_UNFINISHED, kUnfinished);
        // Finished or cancelled with the board there: it has its last command.
        const bool ended = event == AutoScanRecord::Event::Finished || event == AutoScanRecord::Event::Cancelled;
        if (ended && controllerLink.isConnected())
            m_settings.write(keys::AUTOSCAN_UNFINISHED, kDone);
    });
    connect(&Winsock2, &TcpLink::connected, this, &Station::releaseUnfinishedSurvey);
}

// The board is (back) on line and a survey left it at an offset.
void Station::releaseUnfinishedSurvey()
{
    if (autoScan.running() || m_settings.read(keys::AUTOSCAN_UNFINISHED) != kUnfinished)
        return;
    if (!controllerLink.send(kAutomatic))
        return;
    m_settings.write(keys::AUTOSCAN_UNFINISHED, kDone);
    log.append(eventLine(QStringLiteral("上次自动扫描未完成，已经恢复自动驱动模式。")));
}

void Station::endSurveyAtExit()
{
    if (!autoScan.running() || !controllerLink.send(kAutomatic))
        return; // without the board the record stays for the next start
    Winsock2.flush();
    autoScan.stop();
    log.append(eventLine(QStringLiteral("程序退出时自动扫描未完成，已经恢复自动驱动模式。")));
}

} // namespace korvane
