#pragma once

#include <QByteArray>

namespace korvane::web {

// Follows the bytes of one HTTP/1.1 connection as they arrive and says when
// a request breaks the limits, before the HTTP server buffers it: a request
// line and headers over 8 KiB, a body over 64 KiB, a chunked body (no length
// to check in advance). A WebSocket upgrade ends the watch: the frames after
// it are the socket's business.
class RequestFraming {
public:
    static constexpr qsizetype kHeadLimit = 8 * 1024;
    static constexpr qsizetype kBodyLimit = 64 * 1024;

    enum class Verdict { Fine, HeadTooLarge, BodyTooLarge, LengthRequired, Upgraded };

    // The next bytes of the stream; Fine while they keep to the limits.
    Verdict feed(const QByteArray &bytes);
    // Requests whose last byte has arrived.
    int completed() const { return m_completed; }
    // Bytes of a request that has begun and not ended.
    bool midRequest() const { return !m_head.isEmpty() || m_bodyLeft > 0; }

private:
    Verdict endHead();

    QByteArray m_head;
    qint64 m_bodyLeft = 0;
    int m_completed = 0;
    bool m_upgraded = false;
};

} // namespace korvane::web
