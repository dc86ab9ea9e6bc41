#include "headless/StdinReader.h"

#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace korvane {

namespace {

// A line longer than this is cut: a runaway writer must not grow memory.
constexpr qsizetype kMaxLine = 65536;

} // namespace

StdinReader::StdinReader(QObject *parent)
    : QObject(parent)
{
}

StdinReader::~StdinReader() = default;

void StdinReader::start()
{
#ifdef Q_OS_UNIX
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] { readAvailable(); });
#else
    // The thread may stay blocked in a read that only the process's end
    // interrupts, so it is never deleted. Byte by byte: a larger read would
    // wait for a full buffer on a pipe.
    m_thread = QThread::create([this] {
        char c = 0;
        while (std::fread(&c, 1, 1, stdin) == 1) {
            const QByteArray piece(1, c);
            QMetaObject::invokeMethod(this, [this, piece] { take(piece.constData(), piece.size()); });
        }
        QMetaObject::invokeMethod(this, [this] { finish(); });
    });
    m_thread->start();
#endif
}

void StdinReader::readAvailable()
{
#ifdef Q_OS_UNIX
    // The descriptor is readable, so one read returns at once: data, the
    // end of input, or an error that ends it too.
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n > 0) {
        take(buffer, static_cast<qsizetype>(n));
        return;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    m_notifier->setEnabled(false);
    finish();
#endif
}

void StdinReader::take(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            if (m_line.endsWith('\r'))
                m_line.chop(1);
            Q_EMIT lineRead(QString::fromUtf8(m_line));
            m_line.clear();
        } else if (m_line.size() < kMaxLine) {
            m_line.append(c);
        }
    }
}

void StdinReader::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    if (!m_line.isEmpty())
        Q_EMIT lineRead(QString::fromUtf8(m_line));
    m_line.clear();
    Q_EMIT endOfInput();
}

} // namespace korvane
