// The serial sentence framer on arbitrary bytes in arbitrary reads: every
// sentence it hands on starts with "!" or "$", holds no line end and stays
// within the length limit, and what it keeps waiting never grows past it.
#include "FuzzStation.h"
#include "nav/NmeaLineFramer.h"

#include <cstdint>
#include <cstdlib>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    NmeaLineFramer framer;
    fuzz::forEachPiece(data, size, [&framer](const QByteArray &piece) {
        for (const QString &sentence : framer.feed(piece)) {
            if (sentence.isEmpty() || (sentence[0] != u'!' && sentence[0] != u'$')
                || sentence.contains(u'\r') || sentence.contains(u'\n')
                || sentence.size() > NmeaLineFramer::kMaxSentence)
                std::abort();
            NmeaChecksumValid(sentence);
        }
        if (framer.pending() > NmeaLineFramer::kMaxSentence)
            std::abort();
    });
    return 0;
}
