#include "web/WebCommandLine.h"

#include "app/Station.h"
#include "platform/SettingsStore.h"
#include "web/WebAccounts.h"
#include "web/WebTls.h"

#include <QCommandLineParser>
#include <QFile>

#if defined(Q_OS_UNIX)
#include <termios.h>
#include <unistd.h>
#endif

namespace korvane::web {

namespace {

// One line from `in`, without its line end; on a terminal without echo.
QString readPassword(std::FILE *in, std::FILE *out, const char *prompt, bool &ok)
{
    bool quietTerminal = false;
#if defined(Q_OS_UNIX)
    termios saved{};
    const int fd = fileno(in);
    if (isatty(fd) && tcgetattr(fd, &saved) == 0) {
        termios silent = saved;
        silent.c_lflag &= ~tcflag_t(ECHO);
        quietTerminal = tcsetattr(fd, TCSAFLUSH, &silent) == 0;
        std::fputs(prompt, out);
        std::fflush(out);
    }
#else
    Q_UNUSED(out);
    Q_UNUSED(prompt);
#endif
    QByteArray line;
    int c = 0;
    while ((c = std::fgetc(in)) != EOF && c != '\n')
        line.append(char(c));
    ok = c == '\n' || !line.isEmpty();
#if defined(Q_OS_UNIX)
    if (quietTerminal) {
        tcsetattr(fd, TCSAFLUSH, &saved);
        std::fputs("\n", out);
    }
#endif
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

bool onTerminal(std::FILE *in)
{
#if defined(Q_OS_UNIX)
    return isatty(fileno(in));
#else
    Q_UNUSED(in);
    return false;
#endif
}

int addUser(const QCommandLineParser &parser, SettingsStore &settings, std::FILE *in, std::FILE *out,
            std::FILE *err)
{
    const QString name = parser.value(QStringLiteral("web-user"));
    WebAccounts accounts(settings);
    if (!WebAccounts::validName(name)) {
        std::fprintf(err, "--web-user: a name of 1 to 32 letters, digits, '.', '_' or '-'\n");
        return 2;
    }
    if (parser.isSet(QStringLiteral("remove"))) {
        if (!accounts.remove(name)) {
            std::fprintf(err, "no web user %s\n", qPrintable(name));
            return 1;
        }
        std::fprintf(out, "web user %s removed\n", qPrintable(name));
        return 0;
    }
    const auto role = roleOfName(parser.value(QStringLiteral("role")));
    if (!role) {
        std::fprintf(err, "--web-user needs --role viewer or --role operator\n");
        return 2;
    }
    bool ok = false;
    const QString password = readPassword(in, out, "Password: ", ok);
    if (!ok || password.isEmpty()) {
        std::fprintf(err, "no password given on stdin\n");
        return 2;
    }
    if (password.size() < 8) {
        std::fprintf(err, "the password needs at least 8 characters\n");
        return 2;
    }
    if (onTerminal(in)) {
        const QString again = readPassword(in, out, "Again: ", ok);
        if (again != password) {
            std::fprintf(err, "the two passwords differ\n");
            return 2;
        }
    }
    accounts.store(name, WebAccounts::makeRecord(*role, password));
    std::fprintf(out, "web user %s (%s) stored in %s\n", qPrintable(name), qPrintable(roleName(*role)),
                 qPrintable(settings.filePath()));
    return 0;
}

} // namespace

void addWebOptions(QCommandLineParser &parser)
{
    parser.addOption({QStringLiteral("web"),
                      QStringLiteral("Serve the web view on HOST:PORT (default: the WEB_LISTEN setting; off when "
                                     "neither is set). Plain HTTP only on loopback; any other address needs "
                                     "WEB_CERT and WEB_KEY and serves HTTPS."),
                      QStringLiteral("host:port")});
    parser.addOption({QStringLiteral("web-user"),
                      QStringLiteral("Add or change a web account (password read from stdin) and exit; with "
                                     "--remove, delete it."),
                      QStringLiteral("name")});
    parser.addOption({QStringLiteral("role"), QStringLiteral("With --web-user: viewer or operator."),
                      QStringLiteral("viewer|operator")});
    parser.addOption({QStringLiteral("remove"), QStringLiteral("With --web-user: delete the account.")});
    parser.addOption({QStringLiteral("web-users"), QStringLiteral("List the web accounts and their roles, and exit.")});
    parser.addOption({QStringLiteral("make-web-cert"),
                      QStringLiteral("Write a self-signed certificate and key (web-cert.pem, web-key.pem) into DIR "
                                     "for WEB_CERT and WEB_KEY, and exit."),
                      QStringLiteral("dir")});
}

int runWebCommand(const QCommandLineParser &parser, SettingsStore &settings, std::FILE *in, std::FILE *out,
                  std::FILE *err)
{
    if (parser.isSet(QStringLiteral("web-user")))
        return addUser(parser, settings, in, out, err);
    if (parser.isSet(QStringLiteral("web-users"))) {
        WebAccounts accounts(settings);
        for (const QString &name : accounts.names()) {
            const auto role = WebAccounts::roleOf(*accounts.record(name));
            std::fprintf(out, "%s %s\n", qPrintable(name), role ? qPrintable(roleName(*role)) : "?");
        }
        return 0;
    }
    if (parser.isSet(QStringLiteral("make-web-cert"))) {
        QString cert;
        QString key;
        QString error;
        if (!makeCertificate(parser.value(QStringLiteral("make-web-cert")), cert, key, error)) {
            std::fprintf(err, "%s\n", qPrintable(error));
            return 1;
        }
        std::fprintf(out, "WEB_CERT=%s\nWEB_KEY=%s\n", qPrintable(cert), qPrintable(key));
        return 0;
    }
    return -1;
}

bool webWanted(const QCommandLineParser &parser, SettingsStore &settings)
{
    return parser.isSet(QStringLiteral("web")) || !settings.read(WEB_LISTEN).trimmed().isEmpty();
}

std::unique_ptr<WebServer> startWebView(const QCommandLineParser &parser, Station &station, double timeScale)
{
    SettingsStore &settings = station.settings();
    const QString listenText = parser.isSet(QStringLiteral("web")) ? parser.value(QStringLiteral("web"))
                                                                   : settings.read(WEB_LISTEN);
    WebServer::Options options;
    QString error;
    auto fail = [&station](const QString &why) -> std::unique_ptr<WebServer> {
        std::fprintf(stderr, "web: %s\n", qPrintable(why));
        station.log.append(station.eventLine(why));
        station.display.Label_NOTE.setText(why);
        return nullptr;
    };
    if (!WebListen::parse(listenText, options.listen, error))
        return fail(QStringLiteral("网页界面未启动：") + error);
    options.certFile = settings.read(WEB_CERT).trimmed();
    options.keyFile = settings.read(WEB_KEY).trimmed();
    bool ok = false;
    const double minutes = settings.read(WEB_IDLE_MINUTES).toDouble(&ok);
    // Scaled like every other interval of the station (tests run faster).
    options.idleMs = qint64((ok && minutes > 0 ? minutes : 30.0) * 60000.0 * timeScale);
    auto server = std::make_unique<WebServer>(station);
    if (!server->start(options, error))
        return fail(error);
    const QString line = QStringLiteral("网页界面已启动：%1://%2")
                             .arg(server->secure() ? QStringLiteral("https") : QStringLiteral("http"),
                                  WebListen{options.listen.address, server->port()}.text());
    std::fprintf(stderr, "web: %s\n", qPrintable(line));
    station.log.append(station.eventLine(line));
    if (!WebAccounts(settings).any())
        std::fprintf(stderr, "web: no account yet: korvane-station --web-user NAME --role operator\n");
    return server;
}

} // namespace korvane::web
