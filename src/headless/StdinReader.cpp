#include "headless/StdinReader.h"

#include <cstdio>
#include <string>

namespace korvane {

void StdinReader::run()
{
    std::string line;
    int c = 0;
    while ((c = std::fgetc(stdin)) != EOF) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            Q_EMIT lineRead(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
            line.clear();
        } else if (line.size() < 65536) {
            line.push_back(static_cast<char>(c));
        }
    }
    if (!line.empty())
        Q_EMIT lineRead(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
    Q_EMIT endOfInput();
}

} // namespace korvane
