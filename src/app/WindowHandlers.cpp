#include "app/WindowHandlers.h"

#include "model/Display.h"
#include "model/EventLog.h"
#include "platform/FileReveal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace korvane {

WindowHandlers::WindowHandlers(Display &display, EventLog &log, FileReveal &reveal, EventLine eventLine)
    : m_display(display), m_log(log), m_reveal(reveal), m_eventLine(std::move(eventLine))
{
}

void WindowHandlers::Label4_DblClick()
{
    // Writes are never redirected here, so today's log is simply the target.
    const QString target = QFileInfo(m_log.todayPath()).absoluteFilePath();
    QDir().mkpath(QFileInfo(target).absolutePath());
    if (!QFileInfo::exists(target)) {
        QFile file(target);
        if (file.open(QIODevice::WriteOnly | QIODevice::Append))
            file.close();
    }
    m_reveal.reveal(target);
}

void WindowHandlers::Lbl_ALARM_DblClick()
{
    m_display.Lbl_ALARM.setText(QString());
    m_display.Label_NOTE.setText(QStringLiteral("已经清除告警信息，您也可以通过日志查看信息记录！"));
    m_log.append(m_eventLine(m_display.Label_NOTE.text()));
}

void WindowHandlers::Label18_Click()
{
    if (m_display.Label18.text() == QStringLiteral("︽")) {
        m_display.MainWindow.setValue(kCollapsedTwips);
        m_display.Label18.setText(QStringLiteral("︾"));
        m_display.Label18.setToolTip(QStringLiteral("展开"));
    } else {
        m_display.MainWindow.setValue(kExpandedTwips);
        m_display.Label18.setText(QStringLiteral("︽"));
        m_display.Label18.setToolTip(QStringLiteral("折叠"));
    }
}

} // namespace korvane
