#pragma once

#include "platform/Waits.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace korvane {

class Clock;
class ControllerLink;
class Dialogs;
class Display;
class TcpLink;

// `ImportBasePoints`: sends the base-station and zone lines of POINT.INI to
// the controller board, paced, then offers multi-base mode for their count.
class BaseImport {
public:
    using Wait = korvane::Wait;

    struct Parts {
        Display &display;
        ControllerLink &controller;
        TcpLink &controllerSocket; // watched: a dropped link ends the import
        Dialogs &dialogs;
        const Clock &clock;
        const Scope &scope;
    };

    // `folders`: where POINT.INI is looked for, in order; the first is the
    // one the operator is told to use. Empty: beside the executable.
    BaseImport(Parts parts, QStringList folders = {});

    // The folders an installed station looks in: `named` (when given), the
    // operator's data folder beside `settingsFile`, the working directory,
    // then beside the executable, which an installed package keeps in
    // /usr/bin where no operator can put a file.
    static QStringList searchFolders(const QString &named, const QString &settingsFile);

    // Starts an import and returns; the lines go out at their pace. Does
    // nothing while one is running.
    void ImportBasePoints();
    bool isRunning() const { return m_running; }

    void setFolders(const QStringList &folders) { m_folders = folders; }
    void setWait(Wait wait) { m_wait = std::move(wait); }

    // The file's lines to send, trimmed, in file order. Bytes that are valid
    // UTF-8 are read as UTF-8, anything else as GBK (GB18030); lines end in
    // CR LF, LF or a lone CR.
    static QStringList commandLines(const QByteArray &bytes);

private:
    QStringList folders() const;
    QString findFile() const;
    std::optional<QStringList> readLines(const QString &path, QString &error) const;
    Task<> run();
    Task<bool> sendLines(const QStringList &lines, QString &error);
    Task<> offerMultiBase(int count);
    Task<> fail(const QString &description);
    QString now() const;

    Parts m_parts;
    QStringList m_folders;
    Wait m_wait;
    bool m_running = false;
};

} // namespace korvane
