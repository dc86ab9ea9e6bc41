#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

namespace korvane {

// Turns the signals that ask a program to end (SIGTERM from systemctl stop
// and kill, SIGINT from Ctrl-C, SIGHUP from a closed terminal) into a Qt
// signal on the event loop, so the program ends the orderly way: loops
// quit, destructors run, children are stopped. The handler only writes one
// byte to a socket pair. After the first signal the default action is back:
// a second one ends a program that hangs in its shutdown.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject *parent = nullptr);
    ~QuitSignals() override;

    // False when the handlers could not be installed.
    bool isActive() const { return m_active; }

    // "SIGTERM", "SIGINT", "SIGHUP", or the number.
    static QString nameOf(int signalNumber);

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readSignal();

    std::unique_ptr<QSocketNotifier> m_notifier;
    bool m_active = false;
};

} // namespace korvane
