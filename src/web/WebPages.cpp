#include "web/WebServer.h"

#include <QFile>

namespace korvane::web {

namespace {

struct Asset {
    const char *path;
    const char *resource;
    const char *type;
    bool open; // served without a login (the login form and what it needs)
};

// Every file the web view serves, by its one path.
const Asset kAssets[] = {
    {"/login", ":/web/login.html", "text/html; charset=utf-8", true},
    {"/assets/app.css", ":/web/app.css", "text/css; charset=utf-8", true},
    {"/assets/login.js", ":/web/login.js", "text/javascript; charset=utf-8", true},
    {"/", ":/web/status.html", "text/html; charset=utf-8", false},
    {"/history", ":/web/history.html", "text/html; charset=utf-8", false},
    {"/events", ":/web/events.html", "text/html; charset=utf-8", false},
    {"/console", ":/web/console.html", "text/html; charset=utf-8", false},
    {"/assets/common.js", ":/web/common.js", "text/javascript; charset=utf-8", false},
    {"/assets/status.js", ":/web/status.js", "text/javascript; charset=utf-8", false},
    {"/assets/history.js", ":/web/history.js", "text/javascript; charset=utf-8", false},
    {"/assets/events.js", ":/web/events.js", "text/javascript; charset=utf-8", false},
    {"/assets/console.js", ":/web/console.js", "text/javascript; charset=utf-8", false},
    {"/assets/dygraph.min.js", ":/web/dygraph.min.js", "text/javascript; charset=utf-8", false},
    {"/assets/dygraph.min.css", ":/web/dygraph.min.css", "text/css; charset=utf-8", false},
};

const Asset *assetOf(const QByteArray &path)
{
    for (const Asset &a : kAssets) {
        if (path == a.path)
            return &a;
    }
    return nullptr;
}

} // namespace

bool WebServer::publicRoute(const QByteArray &method, const QByteArray &path)
{
    const Asset *a = assetOf(path);
    return a && a->open && (method == "GET" || method == "HEAD");
}

std::optional<WebReply> WebServer::page(const QByteArray &path)
{
    const Asset *a = assetOf(path);
    if (!a)
        return std::nullopt;
    QFile file(QString::fromLatin1(a->resource));
    if (!file.open(QIODevice::ReadOnly))
        return WebReply::text(500, QStringLiteral("页面缺失"));
    WebReply r;
    r.contentType = a->type;
    r.body = file.readAll();
    if (r.contentType.startsWith("text/html"))
        r.addHeader("Content-Security-Policy",
                    "default-src 'self'; script-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
                    "connect-src 'self'; frame-ancestors 'none'; form-action 'self'");
    return r;
}

} // namespace korvane::web
