// POINT.INI as any file may hold it: any bytes, any encoding, any line
// ends. Every command line it yields is a single line, whatever it holds.
#include "FuzzStation.h"
#include "controller/BaseImport.h"

#include <cstdint>
#include <cstdlib>

using namespace korvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    for (const QString &line : BaseImport::commandLines(bytes)) {
        if (line.contains(u'\r') || line.contains(u'\n'))
            std::abort();
    }
    return 0;
}
