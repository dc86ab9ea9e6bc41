#pragma once

#include <QByteArray>
#include <QObject>

#include <memory>

class QSocketNotifier;
class QThread;

namespace korvane {

// Reads standard input line by line and hands each line to the main thread.
// On POSIX systems the main event loop watches the descriptor, so no thread
// is left blocked in a read when the station ends; elsewhere a reading
// thread does the same work.
class StdinReader : public QObject {
    Q_OBJECT
public:
    explicit StdinReader(QObject *parent = nullptr);
    ~StdinReader() override;

    void start();

Q_SIGNALS:
    void lineRead(const QString &line);
    void endOfInput();

private:
    void readAvailable();
    void take(const char *data, qsizetype size);
    void finish();

    QByteArray m_line;
    bool m_finished = false;
    QSocketNotifier *m_notifier = nullptr;
    QThread *m_thread = nullptr;
};

} // namespace korvane
