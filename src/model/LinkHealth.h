#pragma once

#include "model/LinkOutage.h"

#include <QObject>

namespace korvane {

// Every link the crew needs to know about, up or down, and why. The
// concerns report; the station turns the events into log lines and notices.
class LinkHealth : public QObject {
    Q_OBJECT
public:
    explicit LinkHealth(QObject *parent = nullptr)
        : QObject(parent)
    {
    }

    LinkOutage board{QStringLiteral("控制板"), this};
    LinkOutage radio{QStringLiteral("微波"), this};
    LinkOutage cloud{QStringLiteral("云平台"), this};
    LinkOutage ais{QStringLiteral("AIS串口"), this};
    LinkOutage shipService{QStringLiteral("船舶服务"), this};
    // The radio answers but its signal is gone (mispointed, blocked).
    LinkOutage signal{QStringLiteral("信号"), QStringLiteral("丢失"), QStringLiteral("恢复"), this};

    QList<LinkOutage *> all() { return {&board, &radio, &cloud, &ais, &shipService, &signal}; }

    // Each link with its id for machine readers (status, metrics).
    struct Named {
        QString id;
        const LinkOutage *link;
    };
    QList<Named> named() const
    {
        return {{QStringLiteral("board"), &board},       {QStringLiteral("radio"), &radio},
                {QStringLiteral("cloud"), &cloud},       {QStringLiteral("ais"), &ais},
                {QStringLiteral("ship_service"), &shipService}, {QStringLiteral("signal"), &signal}};
    }
};

} // namespace korvane
