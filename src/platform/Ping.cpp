#include "platform/Ping.h"

#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QStringList>

#include <atomic>
#include <cstring>

#ifdef Q_OS_WIN
// winsock2 before windows.h, iphlpapi before icmpapi.
#include <winsock2.h>
#include <iphlpapi.h>
#include <icmpapi.h>

#include <QWinEventNotifier>

#include <memory>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace korvane {

std::optional<std::uint32_t> parseDottedIpv4(const QString &text)
{
    const QStringList parts = text.trimmed().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::uint32_t address = 0;
    for (const QString &part : parts) {
        if (part.isEmpty() || part.size() > 3)
            return std::nullopt;
        for (const QChar c : part) {
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return std::nullopt;
        }
        const uint value = part.toUInt();
        if (value > 255)
            return std::nullopt;
        address = (address << 8) | value;
    }
    return address;
}

std::optional<EchoReply> readEchoReply(const std::uint8_t *packet, std::size_t size)
{
    constexpr std::size_t kIcmpHeader = 8;
    constexpr std::uint8_t kEchoReply = 0;
    std::size_t offset = 0;
    // An ICMP type never starts with the IPv4 version nibble.
    if (size > 0 && (packet[0] >> 4) == 4) {
        offset = static_cast<std::size_t>(packet[0] & 0x0f) * 4;
        if (offset < 20)
            return std::nullopt;
    }
    if (size < offset + kIcmpHeader || packet[offset] != kEchoReply)
        return std::nullopt;
    const std::uint8_t *icmp = packet + offset;
    return EchoReply{static_cast<std::uint16_t>(icmp[4] << 8 | icmp[5]),
                     static_cast<std::uint16_t>(icmp[6] << 8 | icmp[7])};
}

#ifdef Q_OS_WIN

namespace {

// The first three fields of ICMP_ECHO_REPLY and of ICMP_ECHO_REPLY32 (which a
// 64-bit process gets) are the same, and they are all that is read.
struct EchoReplyHead {
    ULONG address;
    ULONG status;
    ULONG roundTripTime;
};

// What the system writes into while an echo is out: kept alive until the
// system says it is done with it.
struct PendingEcho {
    HANDLE icmp = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    char payload[4] = {'T', 'E', 'S', 'T'};
    // One reply with its payload, an ICMP error's 8 bytes, and room for the
    // system's status block.
    unsigned char replies[sizeof(ICMP_ECHO_REPLY) + 4 + 8 + 64] = {};

    ~PendingEcho()
    {
        if (event)
            ::CloseHandle(event);
        if (icmp != INVALID_HANDLE_VALUE)
            ::IcmpCloseHandle(icmp);
    }
};

} // namespace

Task<int> PingOnce(const Scope *scope, QString address, int timeoutMs)
{
    const auto target = parseDottedIpv4(address.section(QLatin1Char(':'), 0, 0));
    if (!target)
        co_return -1;
    auto echo = std::make_unique<PendingEcho>();
    echo->icmp = ::IcmpCreateFile();
    echo->event = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (echo->icmp == INVALID_HANDLE_VALUE || !echo->event)
        co_return -1;
    const DWORD immediate =
        ::IcmpSendEcho2(echo->icmp, echo->event, nullptr, nullptr, htonl(*target), echo->payload,
                        static_cast<WORD>(sizeof echo->payload), nullptr, echo->replies,
                        static_cast<DWORD>(sizeof echo->replies), static_cast<DWORD>(timeoutMs));
    if (immediate == 0 && ::GetLastError() != ERROR_IO_PENDING)
        co_return -1;

    // The system ends the echo itself after `timeoutMs`; the caller's
    // coroutine is suspended while it is out.
    bool done = immediate != 0;
    if (!done) {
        Suspension answer(scope, timeoutMs + 5000);
        QWinEventNotifier notifier(echo->event);
        QObject::connect(&notifier, &QWinEventNotifier::activated, answer.context(), [&answer] { answer.wake(); });
        done = co_await answer == Suspension::Outcome::Woken;
    }
    if (!done) {
        // Never seen, but the system may still write into the buffer: it is
        // left allocated rather than freed under it.
        static_cast<void>(echo.release());
        co_return -1;
    }
    if (::IcmpParseReplies(echo->replies, static_cast<DWORD>(sizeof echo->replies)) == 0)
        co_return -1;
    EchoReplyHead head;
    std::memcpy(&head, echo->replies, sizeof head);
    co_return head.status == IP_SUCCESS ? static_cast<int>(head.roundTripTime) : -1;
}

#else

namespace {

constexpr std::uint8_t kEchoRequest = 8;
constexpr char kPayload[4] = {'T', 'E', 'S', 'T'};
constexpr int kHeaderSize = 8;

// Sequence numbers tell this echo's reply from a late one of an earlier echo.
std::atomic<std::uint16_t> g_sequence{0};

class IcmpSocket {
public:
    IcmpSocket()
    {
        // The kernel keeps the identifier of a datagram socket and hands it
        // only its own replies; a raw socket sees every ICMP packet.
        m_fd = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP);
        m_datagram = m_fd >= 0;
        if (m_fd < 0)
            m_fd = ::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP);
        if (m_fd >= 0) {
            ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
            ::fcntl(m_fd, F_SETFD, FD_CLOEXEC);
        }
    }
    ~IcmpSocket()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    IcmpSocket(const IcmpSocket &) = delete;
    IcmpSocket &operator=(const IcmpSocket &) = delete;

    int fd() const { return m_fd; }
    bool datagram() const { return m_datagram; }

private:
    int m_fd = -1;
    bool m_datagram = false;
};

std::uint16_t checksum(const std::uint8_t *data, std::size_t size)
{
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (size % 2)
        sum += static_cast<std::uint32_t>(data[size - 1] << 8);
    while (sum >> 16)
        sum = (sum & 0xffff) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

struct Echo {
    std::uint32_t target = 0; // host byte order
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
};

bool sendEcho(const IcmpSocket &socket, const Echo &echo)
{
    std::uint8_t packet[kHeaderSize + sizeof kPayload] = {};
    packet[0] = kEchoRequest;
    packet[4] = static_cast<std::uint8_t>(echo.identifier >> 8);
    packet[5] = static_cast<std::uint8_t>(echo.identifier);
    packet[6] = static_cast<std::uint8_t>(echo.sequence >> 8);
    packet[7] = static_cast<std::uint8_t>(echo.sequence);
    std::memcpy(packet + kHeaderSize, kPayload, sizeof kPayload);
    const std::uint16_t sum = checksum(packet, sizeof packet);
    packet[2] = static_cast<std::uint8_t>(sum >> 8);
    packet[3] = static_cast<std::uint8_t>(sum);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(echo.target);
    return ::sendto(socket.fd(), packet, sizeof packet, 0, reinterpret_cast<const sockaddr *>(&to), sizeof to)
           == static_cast<ssize_t>(sizeof packet);
}

// Reads every waiting packet; true when one of them answers `echo`.
bool drainForReply(const IcmpSocket &socket, const Echo &echo)
{
    std::uint8_t buffer[1500];
    for (;;) {
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(socket.fd(), buffer, sizeof buffer, 0, reinterpret_cast<sockaddr *>(&from),
                                     &fromSize);
        if (n < 0)
            return false;
        const auto reply = readEchoReply(buffer, static_cast<std::size_t>(n));
        if (!reply || reply->sequence != echo.sequence || ntohl(from.sin_addr.s_addr) != echo.target)
            continue;
        // A datagram socket's identifier is the kernel's, and the kernel
        // hands it only its own replies.
        if (!socket.datagram() && reply->identifier != echo.identifier)
            continue;
        return true;
    }
}

} // namespace

Task<int> PingOnce(const Scope *scope, QString address, int timeoutMs)
{
    const auto target = parseDottedIpv4(address.section(QLatin1Char(':'), 0, 0));
    if (!target)
        co_return -1;
    IcmpSocket socket;
    if (socket.fd() < 0)
        co_return -1;
    Echo echo;
    echo.target = *target;
    echo.identifier = static_cast<std::uint16_t>(::getpid());
    echo.sequence = ++g_sequence;

    QElapsedTimer elapsed;
    elapsed.start();
    if (!sendEcho(socket, echo))
        co_return -1;
    // An answer that came at once is read here.
    if (drainForReply(socket, echo))
        co_return static_cast<int>(elapsed.elapsed());

    Suspension answer(scope, static_cast<int>(qMax<qint64>(1, timeoutMs - elapsed.elapsed())));
    QSocketNotifier notifier(static_cast<qintptr>(socket.fd()), QSocketNotifier::Read);
    int rtt = -1;
    QObject::connect(&notifier, &QSocketNotifier::activated, answer.context(), [&] {
        if (drainForReply(socket, echo)) {
            rtt = static_cast<int>(elapsed.elapsed());
            answer.wake();
        }
    });
    co_await answer;
    co_return rtt;
}

#endif

} // namespace korvane
