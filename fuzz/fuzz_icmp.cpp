// ICMP packets as the ping socket receives them from the network: any bytes
// read as an echo reply or as nothing, never past their end.
#include "platform/Ping.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // A copy of exactly `size` bytes, so a read past the end is caught.
    const std::vector<std::uint8_t> packet(data, data + size);
    const auto reply = readEchoReply(packet.data(), packet.size());
    if (reply && size < 8)
        std::abort();
    return 0;
}
