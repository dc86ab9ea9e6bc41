#pragma once

#include <QByteArray>
#include <QFile>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QTcpServer;

namespace korvane::sim {

// One line to stdout, flushed at once: tests and scripts wait for it.
void printLine(const QString &line);
void printError(const QString &line);

// True for one concrete address; wildcards ("0.0.0.0", "::") and names are
// refused, so a peer never listens beyond what it was told.
bool isSingleAddress(const QString &host);

// Listens on exactly `host` (an address, never a wildcard) and announces
// "korvane-sim <peer> listening on HOST:PORT". Port 0 picks a free port.
bool listenAndAnnounce(QTcpServer &server, const QString &host, quint16 port, const QString &peer,
                       QString *error);

// Control texts may carry \r, \n, \t and \\ escapes so a tester can type
// line breaks on one stdin line.
QString unescapeControlText(const QString &text);

// Control-line arguments. Each returns false and leaves its target unchanged
// for text it cannot take.
bool readSwitch(const QString &argument, bool &flag);   // "on" or "off"
bool parseNumber(const QString &text, double &value);   // any finite number
bool readNumber(const QString &text, double low, double high, double &value);

// One stdin control line, the way every peer answers it: "status" prints
// `status()`, "quit" ends the program, anything else goes to `handle` with
// its first word and the rest, and is answered "ok LINE" or "error LINE".
void answerControlLine(const QString &line, const std::function<QString()> &status,
                       const std::function<bool(const QString &word, const QString &argument)> &handle);

// Runs the entry of `table` (rows of {word, member function}) named `word`;
// false for a word the table does not hold.
template <typename Peer, typename Table>
bool runControlEntry(Peer *peer, const Table &table, const QString &word, const QString &argument)
{
    for (const auto &entry : table) {
        if (word == QLatin1String(entry.word))
            return (peer->*entry.handler)(argument);
    }
    return false;
}

// Appends every byte received, unchanged, to a file; flushed per append so a
// test can read it while the peer runs.
class ByteRecorder {
public:
    bool open(const QString &path, QString *error);
    void append(const QByteArray &bytes);

private:
    QFile m_file;
};

// Delivers stdin lines to the main thread. A reader thread blocks on stdin;
// end of input only stops the reader, never the program, so a peer can run
// with stdin closed.
class StdinLines : public QObject {
    Q_OBJECT
public:
    explicit StdinLines(QObject *parent = nullptr);
    ~StdinLines() override;

signals:
    void lineRead(const QString &line);
    void ended();

private:
    struct Shared;
    std::shared_ptr<Shared> m_shared;
};

} // namespace korvane::sim
