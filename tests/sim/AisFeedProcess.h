#pragma once

#include "support/SimProcess.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace korvane::test {

// `korvane-sim ais-feed` as a separate process: it writes to a device, so
// it announces that instead of a listening address.
class AisFeedProcess : public SimProcess {
public:
    bool start(const QString &device, const QStringList &arguments = {}, int timeoutMs = 10000)
    {
        const QStringList all = QStringList{QStringLiteral("ais-feed"), QStringLiteral("--device"), device} + arguments;
        return !launch(all, QStringLiteral("korvane-sim ais-feed writing to ") + device, timeoutMs).isEmpty();
    }

    // The sentence the feed's encoder makes for `fields` ("heading=100 …").
    QByteArray encode(const QString &fields)
    {
        control(QStringLiteral("encode ") + fields);
        return waitForLine(QStringLiteral("sentence ")).mid(9).toLatin1();
    }

    QString status(const QString &name) { return statusText(name); }
};

} // namespace korvane::test
