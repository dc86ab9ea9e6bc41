#include "platform/Ping.h"

#include "support/Wait.h"

#include <gtest/gtest.h>

#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace korvane;

namespace {

int ping(const QString &address)
{
    Scope scope;
    return test::finish(PingOnce(&scope, address), 5000);
}

// Whether this process may open an ICMP socket of either kind.
bool icmpAvailable()
{
    for (const int type : {SOCK_DGRAM, SOCK_RAW}) {
        const int fd = ::socket(AF_INET, type, IPPROTO_ICMP);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
    }
    return false;
}

TEST(Ping, LoopbackAnswersWithAndWithoutAPort)
{
    if (!icmpAvailable())
        GTEST_SKIP() << "no ICMP socket: not root, and net.ipv4.ping_group_range excludes this user's group";
    for (const char *address : {"127.0.0.1", " 127.0.0.1 ", "127.0.0.1:2323"}) {
        const int rtt = ping(QString::fromLatin1(address));
        EXPECT_GE(rtt, 0) << address;
        EXPECT_LT(rtt, 512) << address;
    }
}

TEST(Ping, AnythingButFourDottedDecimalsFailsWithoutSending)
{
    for (const char *address : {"", "localhost", "127.0.0", "127.0.0.1.1", "127.1", "256.0.0.1", "0x7f.0.0.1",
                                "127.0.0.-1", "127..0.1", "1270.0.0.1", "127.0.0.1/8", ":2323", "127.0.0.１"}) {
        EXPECT_EQ(ping(QString::fromUtf8(address)), -1) << address;
        EXPECT_FALSE(parseDottedIpv4(QString::fromUtf8(address))) << address;
    }
    EXPECT_EQ(parseDottedIpv4(QStringLiteral("192.168.001.255")), 0xC0A801FFu);
}

TEST(Ping, EchoRepliesAreReadWithOrWithoutTheirIpHeader)
{
    const std::vector<std::uint8_t> icmp{0, 0, 0xab, 0xcd, 0x12, 0x34, 0x00, 0x07, 'T', 'E', 'S', 'T'};
    std::vector<std::uint8_t> withHeader{0x45, 0, 0, 32, 0, 0, 0, 0, 64, 1, 0, 0, 127, 0, 0, 1, 127, 0, 0, 1};
    withHeader.insert(withHeader.end(), icmp.begin(), icmp.end());
    for (const auto &packet : {icmp, withHeader}) {
        const auto reply = readEchoReply(packet.data(), packet.size());
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->identifier, 0x1234);
        EXPECT_EQ(reply->sequence, 7);
    }
    std::vector<std::uint8_t> request = withHeader;
    request[20] = 8; // our own request, as a raw socket sees it on loopback
    const std::vector<std::uint8_t> shortHeader{0x41, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (const auto &packet : {request, shortHeader, std::vector<std::uint8_t>(withHeader.begin(), withHeader.end() - 5),
                               std::vector<std::uint8_t>(icmp.begin(), icmp.begin() + 7)})
        EXPECT_FALSE(readEchoReply(packet.data(), packet.size()));
}

} // namespace
