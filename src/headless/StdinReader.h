#pragma once

#include <QThread>

namespace korvane {

// Reads standard input line by line on its own thread and hands each line
// to the main thread; the station's work stays on the main thread.
class StdinReader : public QThread {
    Q_OBJECT
public:
    using QThread::QThread;

Q_SIGNALS:
    void lineRead(const QString &line);
    void endOfInput();

protected:
    void run() override;
};

} // namespace korvane
