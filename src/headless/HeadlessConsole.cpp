#include "headless/HeadlessConsole.h"

#include "app/Station.h"
#include "headless/AutoScanLine.h"
#include "headless/LineEscape.h"
#include "platform/Dialogs.h"
#include "platform/LoopWatch.h"
#include "text/Numbers.h"

#include <QPointer>

namespace korvane {

namespace {
constexpr int kEnterKey = 13;
}

HeadlessConsole::HeadlessConsole(Station &station, std::FILE *out, QObject *parent)
    : QObject(parent), m_station(station), m_out(out)
{
    connect(&station.display, &Display::changed, this,
            [this](const QString &control, const QString &property, const QString &value) {
                if (m_quiet && control != QLatin1String("Label_NOTE") && control != QLatin1String("Lbl_ALARM"))
                    return;
                // The password box shows dots in the window; its text must
                // not reach a service's journal either.
                const bool secret = control == QLatin1String("Text7") && property == QLatin1String("text")
                                    && !value.isEmpty();
                print(control + QLatin1Char('.') + property + QLatin1Char('=')
                      + (secret ? QStringLiteral("******") : escapeLine(value)));
            });
    // The full stream shows the event lines through the terminal box.
    station.log.setEchoListener([this](const QString &line) {
        if (m_quiet)
            print(escapeLine(line));
    });
    const AutoScanRecord &scan = station.autoScan.record();
    connect(&scan, &AutoScanRecord::changed, this,
            [this, &scan](AutoScanRecord::Event event) { print(autoScanLine(scan, event)); });
}

HeadlessConsole::~HeadlessConsole()
{
    m_station.log.setEchoListener({});
}

void HeadlessConsole::print(const QString &line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), m_out);
    std::fflush(m_out);
}

void HeadlessConsole::handleLine(const QString &line)
{
    if (!line.startsWith(QLatin1Char(':'))) {
        m_station.setControl(QStringLiteral("Combo2"), line);
        m_station.key(QStringLiteral("Combo2"), kEnterKey);
        return;
    }
    const qsizetype space = line.indexOf(QLatin1Char(' '));
    const QString verb = line.mid(1, space < 0 ? -1 : space - 1);
    const QString rest = space < 0 ? QString() : line.mid(space + 1);
    handleAction(verb, rest);
}

void HeadlessConsole::handleAction(const QString &verb, const QString &rest)
{
    const qsizetype space = rest.indexOf(QLatin1Char(' '));
    const QString control = space < 0 ? rest : rest.left(space);
    const QString argument = space < 0 ? QString() : rest.mid(space + 1);
    bool known = true;
    if (verb == QLatin1String("quit")) {
        Q_EMIT quitRequested();
    } else if (verb == QLatin1String("stats")) {
        print(statsLine(m_watch, readProcessFigures()));
        if (m_watch)
            m_watch->reset();
    } else if (verb == QLatin1String("history")) {
        const auto minutes = toInt32(numberOfText(rest));
        known = isNumericText(rest) && minutes && *minutes > 0;
        if (known)
            m_station.historyLine(*minutes, [console = QPointer<HeadlessConsole>(this)](const QString &line) {
                if (console)
                    console->print(line);
            });
    } else if (verb == QLatin1String("answer")) {
        // A question left open (--answer wait) answered from the console.
        Dialogs *dialogs = m_station.environment().dialogs;
        known = dialogs && (rest == QLatin1String("ok") || rest == QLatin1String("cancel"));
        if (known)
            dialogs->answerFromElsewhere(rest == QLatin1String("ok") ? Dialogs::Answer::Ok : Dialogs::Answer::Cancel);
    } else if (verb == QLatin1String("send")) {
        m_station.setControl(QStringLiteral("Combo2"), rest);
        m_station.click(QStringLiteral("Command3"));
    } else if (verb == QLatin1String("pick")) {
        m_station.pick(rest);
    } else if (verb == QLatin1String("set")) {
        known = m_station.setControl(control, argument);
    } else if (verb == QLatin1String("click")) {
        const bool hasIndex = !argument.trimmed().isEmpty();
        const auto index = toInt32(numberOfText(argument));
        known = m_station.click(control, hasIndex && index ? *index : -1);
    } else if (verb == QLatin1String("key")) {
        const auto code = toInt32(numberOfText(argument));
        known = isNumericText(argument) && code && m_station.key(control, *code);
    } else {
        known = false;
    }
    if (!known)
        std::fprintf(stderr, "unknown action: :%s %s\n", qPrintable(verb), qPrintable(rest));
}

} // namespace korvane
