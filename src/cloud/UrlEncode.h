#pragma once

#include <QString>

namespace korvane {

// Percent-encoding of the cloud report's texts (RFC 3986): the text's bytes
// in the Chinese code page (GBK), every byte outside the unreserved set
// A-Z a-z 0-9 - . _ ~ written as "%" and two upper-case hex digits. Empty
// text gives empty text; a space becomes "%20".
QString UrlEncode(const QString &text);

} // namespace korvane
