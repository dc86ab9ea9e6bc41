#include "nav/NmeaLineFramer.h"

namespace korvane {

namespace {

bool isSentenceStart(char c)
{
    return c == '!' || c == '$';
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

} // namespace

QStringList NmeaLineFramer::feed(QByteArrayView bytes)
{
    QStringList sentences;
    for (const char c : bytes) {
        if (isSentenceStart(c)) {
            m_line = QByteArray(1, c);
        } else if (c == '\r' || c == '\n') {
            if (!m_line.isEmpty())
                sentences.append(QString::fromLatin1(m_line));
            m_line.clear();
        } else if (!m_line.isEmpty()) {
            m_line.append(c);
            if (m_line.size() > kMaxSentence) {
                m_line.clear();
                ++m_overlong;
            }
        }
    }
    return sentences;
}

bool NmeaChecksumValid(QStringView sentence)
{
    if (sentence.size() < 4 || (sentence.front() != u'!' && sentence.front() != u'$'))
        return false;
    const qsizetype star = sentence.size() - 3;
    if (sentence[star] != u'*')
        return false;
    const int high = hexValue(sentence[star + 1].unicode());
    const int low = hexValue(sentence[star + 2].unicode());
    if (high < 0 || low < 0)
        return false;
    int sum = 0;
    for (qsizetype i = 1; i < star; ++i) {
        const char16_t c = sentence[i].unicode();
        if (c == u'*' || c > 0xFF)
            return false;
        sum ^= c;
    }
    return sum == high * 16 + low;
}

} // namespace korvane
