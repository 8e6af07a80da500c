#include "ui/codec.h"

#include <array>

namespace lorix {

QString DecodeText(std::string_view bytes, bool utf8)
{
    if (utf8)
        return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString out;
    out.resize(static_cast<qsizetype>(bytes.size()));
    QChar* d = out.data();
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        d[i] = (c >= 0x80 && c <= 0x9F) ? QChar(kCp1252High[c - 0x80]) : QChar(static_cast<char16_t>(c));
    }
    return out;
}

namespace {

// The Windows-1252 byte of a UTF-16 unit, or -1 when the code page lacks it.
int Cp1252Byte(char16_t u)
{
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF))
        return u;
    for (size_t k = 0; k < kCp1252High.size(); ++k)
        if (kCp1252High[k] == u)
            return static_cast<int>(0x80 + k);
    return -1;
}

} // namespace

std::string EncodeText(const QString& text, bool utf8)
{
    if (utf8)
        return text.toStdString();
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (const QChar ch : text) {
        const int b = Cp1252Byte(ch.unicode());
        out.push_back(b < 0 ? '?' : static_cast<char>(b));
    }
    return out;
}

std::optional<std::string> EncodeExactly(const QString& text, bool utf8, char32_t& bad)
{
    if (utf8)
        return text.toStdString();
    std::string out;
    out.reserve(static_cast<size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = Cp1252Byte(text[i].unicode());
        if (b < 0) {
            // A character beyond the first plane comes as a surrogate pair.
            const bool pair =
                text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
            bad = pair ? QChar::surrogateToUcs4(text[i], text[i + 1]) : text[i].unicode();
            return std::nullopt;
        }
        out.push_back(static_cast<char>(b));
    }
    return out;
}

} // namespace lorix
