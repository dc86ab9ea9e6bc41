#pragma once

#include "model/Control.h"
#include "platform/TcpLink.h"

#include <QObject>

namespace korvane {

// Watches the controller link while a script of board commands runs. Any
// change of state (closed, error, a new connect) means the connection the
// script started on is gone; rows are never sent on a later connection.
class LinkWatch {
public:
    explicit LinkWatch(TcpLink &link)
        : m_connection(QObject::connect(&link, &TcpLink::stateChanged, [this](int state) {
              if (state != TcpLink::Connected)
                  m_dropped = true;
          }))
    {
    }
    ~LinkWatch() { QObject::disconnect(m_connection); }
    LinkWatch(const LinkWatch &) = delete;
    LinkWatch &operator=(const LinkWatch &) = delete;

    bool dropped() const { return m_dropped; }

private:
    bool m_dropped = false;
    QMetaObject::Connection m_connection;
};

// The progress bar of a running script: value in percent, text "n/total",
// visible from construction until the object goes.
class ScriptProgress {
public:
    ScriptProgress(Control &bar, int total)
        : m_bar(bar), m_total(total)
    {
        show(0);
        m_bar.setVisible(true);
    }
    ~ScriptProgress() { m_bar.setVisible(false); }
    ScriptProgress(const ScriptProgress &) = delete;
    ScriptProgress &operator=(const ScriptProgress &) = delete;

    void show(int done)
    {
        const qint64 percent = m_total > 0 ? qint64(done) * 100 / m_total : 100;
        m_bar.setValue(static_cast<int>(percent));
        m_bar.setText(QStringLiteral("%1/%2").arg(done).arg(m_total));
    }

private:
    Control &m_bar;
    int m_total;
};

} // namespace korvane
