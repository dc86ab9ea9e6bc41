#pragma once

#include "platform/Http.h"
#include "support/Wait.h"

namespace korvane::test {

// Each request awaited to its end, as a sequence of the station awaits it.
class SyncHttp {
public:
    HttpResponse send(const HttpRequest &r) { return finish(m_http.send(&m_scope, r)); }
    HttpResponse get(const QUrl &url, const HttpHeaders &headers, const HttpTimeouts &timeouts)
    {
        return finish(m_http.get(&m_scope, url, headers, timeouts));
    }
    HttpResponse post(const QUrl &url, const HttpHeaders &headers, const QByteArray &body,
                      const HttpTimeouts &timeouts)
    {
        return finish(m_http.post(&m_scope, url, headers, body, timeouts));
    }

private:
    Scope m_scope;
    Http m_http;
};

} // namespace korvane::test
