#include "support/SimProcess.h"

#include "support/Wait.h"

#include <QRegularExpression>

namespace korvane::test {

SimProcess::SimProcess()
{
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] { readOutput(); });
}

SimProcess::~SimProcess() { stop(); }

bool SimProcess::start(const QString &peer, const QStringList &arguments, int timeoutMs)
{
    QStringList all{peer};
    if (!arguments.contains(QStringLiteral("--port")))
        all << QStringLiteral("--port") << QStringLiteral("0");
    all << arguments;
    process_.start(QStringLiteral(KORVANE_SIM_PATH), all);
    static const QRegularExpression announce(QStringLiteral("^korvane-sim \\S+ listening on (\\S+):(\\d+)$"));
    const QString line = waitForLine(QStringLiteral("korvane-sim "), timeoutMs);
    const auto match = announce.match(line);
    if (!match.hasMatch())
        return false;
    host_ = match.captured(1);
    port_ = static_cast<quint16>(match.captured(2).toUInt());
    return true;
}

void SimProcess::control(const QString &line) { process_.write((line + u'\n').toUtf8()); }

bool SimProcess::controlAcknowledged(const QString &line, int timeoutMs)
{
    control(line);
    return !waitForLine(QStringLiteral("ok ") + line, timeoutMs).isEmpty();
}

QString SimProcess::waitForLine(const QString &prefix, int timeoutMs)
{
    QString found;
    waitUntil(
        [&] {
            readOutput();
            for (; taken_ < lines_.size(); ++taken_) {
                if (lines_.at(taken_).startsWith(prefix)) {
                    found = lines_.at(taken_++);
                    return true;
                }
            }
            return process_.state() == QProcess::NotRunning;
        },
        timeoutMs);
    return found;
}

qint64 SimProcess::statusValue(const QString &name, int timeoutMs)
{
    control(QStringLiteral("status"));
    const QString line = waitForLine(QStringLiteral("status "), timeoutMs);
    const QRegularExpression field(QStringLiteral("\\b%1=(\\d+)").arg(QRegularExpression::escape(name)));
    const auto match = field.match(line);
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

void SimProcess::closeInput()
{
    process_.closeWriteChannel();
    inputClosed_ = true;
}

void SimProcess::stop()
{
    if (process_.state() == QProcess::NotRunning)
        return;
    if (inputClosed_)
        process_.terminate();
    else
        control(QStringLiteral("quit"));
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

void SimProcess::readOutput()
{
    partial_ += process_.readAllStandardOutput();
    qsizetype end;
    while ((end = partial_.indexOf('\n')) >= 0) {
        lines_ << QString::fromUtf8(partial_.left(end)).trimmed();
        partial_.remove(0, end + 1);
    }
}

} // namespace korvane::test
