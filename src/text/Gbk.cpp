#include "text/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace korvane {

namespace {

// ICU's "GBK" is Windows' table for code page 936 (0x80 is the euro sign).
// GB18030 is the fallback: it agrees with GBK on every character GBK has.
constexpr const char *kCodecNames[] = {"GBK", "GB18030"};

// The encoder drops an unpaired surrogate silently; Windows writes "?".
QString withLoneSurrogatesMarked(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            out += c;
            out += text[++i];
        } else if (c.isSurrogate()) {
            out += u'?';
        } else {
            out += c;
        }
    }
    return out;
}

// True when the bytes end in the first byte of a two-byte character: the
// decoder keeps such a byte back as state and would drop it silently.
bool endsInCutCharacter(const QByteArray &bytes)
{
    qsizetype i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b >= 0x81 && b <= 0xFE) {
            if (i + 1 == bytes.size())
                return true;
            i += 2;
        } else {
            ++i;
        }
    }
    return false;
}

} // namespace

QByteArray toGbk(QStringView text)
{
    if (text.isEmpty())
        return {};
    const QString clean = withLoneSurrogatesMarked(text);
    for (const char *name : kCodecNames) {
        QStringEncoder encoder(name, QStringEncoder::Flag::Stateless);
        if (encoder.isValid())
            return encoder.encode(clean);
    }
    // A Qt without the code-page tables: ASCII survives, the rest is "?".
    QByteArray bytes;
    bytes.reserve(clean.size());
    for (qsizetype i = 0; i < clean.size(); ++i) {
        const char16_t u = clean[i].unicode();
        if (QChar::isHighSurrogate(u))
            ++i; // one "?" per character, not per code unit
        bytes.append(u < 0x80 ? static_cast<char>(u) : '?');
    }
    return bytes;
}

QString fromGbk(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    const bool cut = endsInCutCharacter(bytes);
    const QByteArray whole = cut ? bytes.chopped(1) : bytes;
    for (const char *name : kCodecNames) {
        QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
        if (decoder.isValid()) {
            QString text = decoder.decode(whole);
            if (cut)
                text += QChar(QChar::ReplacementCharacter);
            return text;
        }
    }
    return QString::fromLatin1(bytes);
}

} // namespace korvane
