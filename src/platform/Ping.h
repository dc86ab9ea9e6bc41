#pragma once

#include "platform/Waits.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace korvane {

// One ICMP echo (4-byte payload "TEST") to a dotted IPv4 address; the
// round-trip time in whole milliseconds, or -1 on any failure (bad address,
// no ICMP socket, send error, no answer within the time-out). An address
// written with ":port" pings its host part, since the radio box may carry a
// telnet port. Awaited; -1 at once when the scope ends.
//
// Uses an unprivileged ICMP datagram socket where net.ipv4.ping_group_range
// admits the user, otherwise a raw ICMP socket (root or CAP_NET_RAW).
Task<int> PingOnce(const Scope *scope, QString address, int timeoutMs = 512);

// The address as four dotted decimal parts 0 to 255, blanks around it
// trimmed, in host byte order; nullopt for anything else (host names, the
// short and hexadecimal forms inet_addr would take).
std::optional<std::uint32_t> parseDottedIpv4(const QString &text);

struct EchoReply {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
};

// An ICMP echo reply as a socket hands it over, with its IPv4 header (raw
// sockets) or without (datagram sockets on Linux); nullopt for any other
// packet and for a cut one.
std::optional<EchoReply> readEchoReply(const std::uint8_t *packet, std::size_t size);

} // namespace korvane
