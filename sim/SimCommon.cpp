#include "SimCommon.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QTcpServer>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

namespace korvane::sim {

void printLine(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void printError(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

bool isSingleAddress(const QString &host)
{
    const QHostAddress address(host);
    return !address.isNull() && address != QHostAddress::AnyIPv4 && address != QHostAddress::AnyIPv6;
}

bool listenAndAnnounce(QTcpServer &server, const QString &host, quint16 port, const QString &peer,
                       QString *error)
{
    if (!isSingleAddress(host)) {
        *error = QStringLiteral("--host must be one address, not \"%1\"").arg(host);
        return false;
    }
    if (!server.listen(QHostAddress(host), port)) {
        *error = QStringLiteral("cannot listen on %1:%2: %3").arg(host).arg(port).arg(server.errorString());
        return false;
    }
    printLine(QStringLiteral("korvane-sim %1 listening on %2:%3")
                  .arg(peer, server.serverAddress().toString())
                  .arg(server.serverPort()));
    return true;
}

bool readSwitch(const QString &argument, bool &flag)
{
    if (argument != QLatin1String("on") && argument != QLatin1String("off"))
        return false;
    flag = argument == QLatin1String("on");
    return true;
}

bool parseNumber(const QString &text, double &value)
{
    bool ok = false;
    const double v = text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool readNumber(const QString &text, double low, double high, double &value)
{
    double v = 0;
    if (!parseNumber(text, v) || v < low || v > high)
        return false;
    value = v;
    return true;
}

QString unescapeControlText(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar next = text.at(++i);
        if (next == u'r')
            out += u'\r';
        else if (next == u'n')
            out += u'\n';
        else if (next == u't')
            out += u'\t';
        else
            out += next;
    }
    return out;
}

bool ByteRecorder::open(const QString &path, QString *error)
{
    m_file.setFileName(path);
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        return true;
    *error = QStringLiteral("cannot open %1: %2").arg(path, m_file.errorString());
    return false;
}

void ByteRecorder::append(const QByteArray &bytes)
{
    if (!m_file.isOpen())
        return;
    m_file.write(bytes);
    m_file.flush();
}

struct StdinLines::Shared {
    std::mutex mutex;
    StdinLines *target = nullptr;
};

StdinLines::StdinLines(QObject *parent)
    : QObject(parent), m_shared(std::make_shared<Shared>())
{
    m_shared->target = this;
    // The thread cannot be woken from a blocking read, so it is detached;
    // the shared record tells it when nobody listens any more.
    std::thread([shared = m_shared] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const QString text = QString::fromStdString(line).trimmed();
            const std::lock_guard<std::mutex> lock(shared->mutex);
            StdinLines *target = shared->target;
            if (!target)
                return;
            QMetaObject::invokeMethod(
                target, [target, text] { emit target->lineRead(text); }, Qt::QueuedConnection);
        }
        const std::lock_guard<std::mutex> lock(shared->mutex);
        if (StdinLines *target = shared->target)
            QMetaObject::invokeMethod(target, [target] { emit target->ended(); }, Qt::QueuedConnection);
    }).detach();
}

StdinLines::~StdinLines()
{
    const std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->target = nullptr;
}

void answerControlLine(const QString &line, const std::function<QString()> &status,
                       const std::function<bool(const QString &word, const QString &argument)> &handle)
{
    const QString word = line.section(u' ', 0, 0);
    const QString argument = line.section(u' ', 1).trimmed();
    if (word.isEmpty())
        return;
    if (word == QLatin1String("status") && argument.isEmpty()) {
        printLine(status());
        return;
    }
    if (word == QLatin1String("quit")) {
        printLine(QStringLiteral("ok quit"));
        QCoreApplication::quit();
        return;
    }
    const bool ok = handle(word, argument);
    printLine((ok ? QStringLiteral("ok ") : QStringLiteral("error ")) + line);
}

} // namespace korvane::sim
