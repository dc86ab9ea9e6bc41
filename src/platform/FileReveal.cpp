#include "platform/FileReveal.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifndef Q_OS_WIN
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#endif

namespace korvane {

void DesktopFileReveal::reveal(const QString &filePath)
{
    const QString absolute = QFileInfo(filePath).absoluteFilePath();
#ifdef Q_OS_WIN
    QProcess::startDetached(QStringLiteral("explorer.exe"),
                            {QStringLiteral("/select,") + QDir::toNativeSeparators(absolute)});
#else
    const QString folder = QFileInfo(absolute).absolutePath();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(absolute).toString()} << QString();
    // Asynchronous: a file manager that is slow to start must not freeze
    // the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, 5000));
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [folder](QDBusPendingCallWatcher *w) {
                         if (w->isError())
                             QProcess::startDetached(QStringLiteral("xdg-open"), {folder});
                         w->deleteLater();
                     });
#endif
}

} // namespace korvane
