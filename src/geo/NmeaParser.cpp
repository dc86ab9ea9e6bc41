#include "geo/NmeaParser.h"

#include "geo/SentenceFields.h"
#include "text/Gbk.h"
#include "text/Numbers.h"

#include <QByteArray>

#include <array>
#include <cmath>

namespace korvane {

namespace {

constexpr std::array<QStringView, 7> kTalkers{u"GP", u"GN", u"GL", u"GA", u"GB", u"BD", u"QZ"};
constexpr std::array<QStringView, 7> kFormatters{u"RMC", u"GGA", u"GLL", u"GSA",
                                                 u"GSV", u"VTG", u"ZDA"};
constexpr QStringView kLineBreak = u"\r\n";
constexpr qsizetype kChecksumDigits = 2;

// Latitude, hemisphere, longitude, hemisphere: where each sentence kind
// keeps them (NMEA 0183).
struct CoordinateFields {
    int first;
    int count; // fields the sentence needs at least
};
constexpr CoordinateFields kRmcFields{3, 7};
constexpr CoordinateFields kGgaFields{2, 6};

bool isAsciiLetter(char16_t c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

char16_t asciiUpper(char16_t c)
{
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
}

bool isTalkerAt(QStringView line, qsizetype i)
{
    for (QStringView talker : kTalkers) {
        if (asciiUpper(line[i].unicode()) == talker[0] && asciiUpper(line[i + 1].unicode()) == talker[1])
            return true;
    }
    return false;
}

bool isFormatter(QStringView three)
{
    for (QStringView f : kFormatters) {
        if (three == f)
            return true;
    }
    return false;
}

bool isPositionFormatter(QStringView three)
{
    return three == u"RMC" || three == u"GGA";
}

// The sentence as the bytes of the station's code page (GBK, code page 936),
// which is what its checksum is taken over. Characters GBK lacks become "?".
QByteArray stationBytes(QStringView text)
{
    return toGbk(text);
}

bool isAscii(QStringView text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// The XOR checksum over `size` byte values given by `byteAt`.
template <typename ByteAt>
QString checksumOf(ByteAt byteAt, qsizetype size)
{
    const qsizetype start = (size > 0 && byteAt(0) == '$') ? 1 : 0;
    qsizetype star = 0;
    while (star < size && byteAt(star) != '*')
        ++star;
    if (size - star - 1 < kChecksumDigits) // also when there is no "*"
        return {};
    if (!IsHexChar(byteAt(star + 1)) || !IsHexChar(byteAt(star + 2)))
        return {};
    int sum = 0;
    for (qsizetype i = start; i < star; ++i)
        sum ^= byteAt(i);
    constexpr char16_t kHex[] = u"0123456789ABCDEF";
    const QChar digits[] = {QChar(kHex[sum >> 4]), QChar(kHex[sum & 0xF])};
    return QString(digits, kChecksumDigits);
}

// A text that must be one plain decimal number; empty when it is not or
// when it overflows.
std::optional<double> plainNumber(QStringView text)
{
    if (!isNumericText(text))
        return std::nullopt;
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (ok)
        return value;
    // Refused for overflow (infinite) or underflow (zero): only the first
    // is a fault.
    if (std::isinf(value))
        return std::nullopt;
    return 0.0;
}

// Spaces deleted, then trimmed; copies only when there is a space.
QStringView cleanLine(QStringView line, QString &buffer)
{
    if (!line.contains(u' '))
        return line.trimmed();
    buffer = line.toString();
    buffer.remove(u' ');
    return QStringView(buffer).trimmed();
}

bool checksumValid(QStringView sentence)
{
    const QString sent = GetNmeaChecksum(sentence);
    return !sent.isEmpty() && sent == CalcNmeaChecksum(sentence);
}

enum class LineResult { Skipped, Position, Fault };

// One line's contribution: skipped, a position, or a sentence that ends the
// search without one (its coordinates are not numbers).
LineResult positionOfLine(QStringView rawLine, NmeaPosition &out)
{
    QString buffer;
    const QStringView line = cleanLine(rawLine, buffer);
    const int p = FindNmeaStart(line);
    if (p == 0)
        return LineResult::Skipped;
    const QStringView formatter = line.mid(p + 1, 3);
    if (!isPositionFormatter(formatter))
        return LineResult::Skipped;
    const QStringView sentence = line.sliced(p - 1);
    if (!checksumValid(sentence))
        return LineResult::Skipped;
    const CoordinateFields where = formatter == u"RMC" ? kRmcFields : kGgaFields;
    if (!sentence::fieldAt(sentence, where.count - 1))
        return LineResult::Skipped;
    const auto field = [&](int k) { return *sentence::fieldAt(sentence, where.first + k); };
    const std::optional<double> latitude = NmeaToDegrees(field(0), field(1));
    const std::optional<double> longitude = NmeaToDegrees(field(2), field(3));
    if (!latitude || !longitude)
        return LineResult::Fault;
    out = {*latitude, *longitude};
    return LineResult::Position;
}

} // namespace

std::optional<NmeaPosition> ParseNMEAData(QStringView GetTelnet)
{
    qsizetype start = 0;
    while (start <= GetTelnet.size()) {
        qsizetype end = GetTelnet.indexOf(kLineBreak, start);
        if (end < 0)
            end = GetTelnet.size();
        NmeaPosition position;
        switch (positionOfLine(GetTelnet.sliced(start, end - start), position)) {
        case LineResult::Position:
            return position;
        case LineResult::Fault:
            return std::nullopt;
        case LineResult::Skipped:
            break;
        }
        start = end + kLineBreak.size();
    }
    return std::nullopt;
}

int FindNmeaStart(QStringView line)
{
    const qsizetype n = line.size();
    if (n > 0 && line[0] == u'$')
        return 2;
    // A known talker and formatter followed by a comma, anywhere.
    for (qsizetype j = 0; j + 5 < n; ++j) {
        if (line[j + 5] == u',' && isTalkerAt(line, j) && isFormatter(line.sliced(j + 2, 3)))
            return static_cast<int>(j + 1);
    }
    // RMC or GGA with room for a talker before it.
    for (qsizetype j = 2; j + 3 < n; ++j) {
        if (isPositionFormatter(line.sliced(j, 3)))
            return static_cast<int>(j - 1);
    }
    // A comma after five characters that look like a sentence name.
    for (qsizetype j = 5; j + 6 < n; ++j) {
        if (line[j] == u',' && HasLetters(line.sliced(j - 5, 5)))
            return static_cast<int>(j - 4);
    }
    return 0;
}

bool HasLetters(QStringView text)
{
    int letters = 0;
    for (const QChar c : text) {
        if (isAsciiLetter(c.unicode()) && ++letters > 2)
            return true;
    }
    return false;
}

QString CalcNmeaChecksum(QStringView sentence)
{
    if (isAscii(sentence)) // the usual case: the text's units are its bytes
        return checksumOf([&](qsizetype i) { return int(sentence[i].unicode()); },
                          sentence.size());
    const QByteArray bytes = stationBytes(sentence);
    return checksumOf([&](qsizetype i) { return int(static_cast<unsigned char>(bytes[i])); },
                      bytes.size());
}

bool IsHexChar(int code)
{
    return (code >= '0' && code <= '9') || (code >= 'A' && code <= 'F')
        || (code >= 'a' && code <= 'f');
}

QString GetNmeaChecksum(QStringView sentence)
{
    const qsizetype star = sentence.lastIndexOf(u'*');
    if (star < 0 || sentence.size() - star - 1 < kChecksumDigits)
        return {};
    QString digits;
    for (qsizetype i = star + 1; i < star + 1 + kChecksumDigits; ++i) {
        if (!IsHexChar(sentence[i].unicode()))
            break;
        digits += sentence[i];
    }
    return digits.toUpper();
}

std::optional<double> NmeaToDegrees(QStringView value, QStringView hemisphere)
{
    const qsizetype point = value.indexOf(u'.') + 1; // 1-based, 0 when none
    if (point <= 2)
        return 0.0;
    const std::optional<double> degrees = plainNumber(value.first(point - 3));
    const std::optional<double> minutes = plainNumber(value.sliced(point - 3));
    if (!degrees || !minutes)
        return std::nullopt;
    double result = *minutes / 60 + *degrees;
    if (hemisphere.compare(u"W", Qt::CaseInsensitive) == 0
        || hemisphere.compare(u"S", Qt::CaseInsensitive) == 0)
        result = -result;
    return result + 0.0;
}

} // namespace korvane
