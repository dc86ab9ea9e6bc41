#pragma once

#include "web/WebServer.h"

#include <QString>

#include <cstdio>
#include <memory>

class QCommandLineParser;

namespace korvane {
class SettingsStore;
class Station;
} // namespace korvane

namespace korvane::web {

inline const QString WEB_LISTEN = QStringLiteral("WEB_LISTEN");
inline const QString WEB_CERT = QStringLiteral("WEB_CERT");
inline const QString WEB_KEY = QStringLiteral("WEB_KEY");
inline const QString WEB_IDLE_MINUTES = QStringLiteral("WEB_IDLE_MINUTES");

// The web view's options on the command line.
void addWebOptions(QCommandLineParser &parser);
// --web-user, --web-users or --make-web-cert, done without starting a
// station: the exit code, or -1 when none of them was given.
int runWebCommand(const QCommandLineParser &parser, SettingsStore &settings, std::FILE *in = stdin,
                  std::FILE *out = stdout, std::FILE *err = stderr);
// Whether this run serves the web view (--web or WEB_LISTEN).
bool webWanted(const QCommandLineParser &parser, SettingsStore &settings);
// Starts the web view as the options and settings say; null (and the
// reason told on stderr, in the log and as the notice) when it cannot.
std::unique_ptr<WebServer> startWebView(const QCommandLineParser &parser, Station &station, double timeScale);

} // namespace korvane::web
