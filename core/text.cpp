#include "core/text.h"

#include "core/errors.h"
#include "core/scan.h"

#include <charconv>
#include <cstdio>
#include <limits>

namespace lorix {

std::string_view TrimView(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && IsTrimByte(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && IsTrimByte(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

std::string Trim(std::string_view s)
{
    return std::string(TrimView(s));
}

std::string LowerAscii(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        c = LowerAscii(c);
    return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

int CompareNoCase(std::string_view a, std::string_view b)
{
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(LowerAscii(a[i]));
        unsigned char y = static_cast<unsigned char>(LowerAscii(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

int IndexOfNoCase(const std::vector<std::string>& list, std::string_view s)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (EqualsNoCase(list[i], s))
            return static_cast<int>(i);
    return -1;
}

bool StartsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

bool TryToInt(std::string_view s, int& value)
{
    std::string_view t = s;
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t'))
        t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.remove_suffix(1);
    bool neg = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        neg = t.front() == '-';
        t.remove_prefix(1);
    }
    long long v = 0;
    // More than 12 digits cannot be an int; stop before the sum overflows.
    bool ok = !t.empty() && t.size() <= 12;
    for (char c : ok ? t : std::string_view{}) {
        if (c < '0' || c > '9') {
            ok = false;
            break;
        }
        v = v * 10 + (c - '0');
    }
    if (neg)
        v = -v;
    if (!ok || v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

std::string NotAnIntegerText(std::string_view s)
{
    return "'" + std::string(s) + "' is not a valid integer value";
}

int ToInt(std::string_view s)
{
    int v = 0;
    if (!TryToInt(s, v))
        throw ConversionError(NotAnIntegerText(s));
    return v;
}

namespace {
// Length of the well-formed UTF-8 sequence at s[i], or 0.
size_t Utf8SeqLen(std::string_view s, size_t i)
{
    auto at = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char c = at(i);
    if (c < 0x80)
        return 1;
    size_t len;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        len = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        if (c == 0xE0)
            lo = 0xA0;
        if (c == 0xED)
            hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        if (c == 0xF0)
            lo = 0x90;
        if (c == 0xF4)
            hi = 0x8F;
    } else
        return 0;
    if (i + len > s.size())
        return 0;
    if (at(i + 1) < lo || at(i + 1) > hi)
        return 0;
    for (size_t k = 2; k < len; ++k)
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    return len;
}
} // namespace

bool IsValidUtf8(std::string_view s)
{
    size_t i = 0;
    while (i < s.size()) {
        // Fast path over ASCII, which is nearly all of a library file.
        i += scan::AsciiPrefix(s.data() + i, s.size() - i);
        if (i == s.size())
            break;
        size_t n = Utf8SeqLen(s, i);
        if (n == 0)
            return false;
        i += n;
    }
    return true;
}

size_t CharPrefixBytes(std::string_view s, size_t n, bool utf8)
{
    if (!utf8)
        return n < s.size() ? n : s.size();
    size_t i = 0;
    while (i < s.size() && n > 0) {
        if (static_cast<unsigned char>(s[i]) < 0x80) { // most text: one byte, one character
            ++i;
            --n;
            continue;
        }
        size_t len = Utf8SeqLen(s, i);
        i += len ? len : 1;
        --n;
    }
    return i;
}

size_t CharCount(std::string_view s, bool utf8)
{
    if (!utf8)
        return s.size();
    size_t count = 0;
    for (size_t i = 0; i < s.size(); ++count) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        size_t len = Utf8SeqLen(s, i);
        i += len ? len : 1;
    }
    return count;
}

namespace {

// Walks utf8 character by character: the Windows-1252 byte of each goes to
// out; a character the code page lacks (U+FFFD for a byte that is no UTF-8)
// goes to lacking, which says whether to go on. False when it said stop.
template <typename Lacking>
bool ConvertToCp1252(std::string& out, std::string_view utf8, Lacking lacking)
{
    for (size_t i = 0; i < utf8.size();) {
        const size_t len = Utf8SeqLen(utf8, i);
        if (len == 0) {
            ++i;
            if (!lacking(char32_t(0xFFFD)))
                return false;
            continue;
        }
        auto byte = [&](size_t k) { return static_cast<char32_t>(static_cast<unsigned char>(utf8[i + k])); };
        char32_t cp = len == 1 ? byte(0) : byte(0) & (0x7F >> len);
        for (size_t k = 1; k < len; ++k)
            cp = (cp << 6) | (byte(k) & 0x3F);
        i += len;
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out.push_back(static_cast<char>(cp));
            continue;
        }
        size_t k = 0;
        while (k < kCp1252High.size() && kCp1252High[k] != cp)
            ++k;
        if (k < kCp1252High.size())
            out.push_back(static_cast<char>(0x80 + k));
        else if (!lacking(cp))
            return false;
    }
    return true;
}

} // namespace

bool AppendUtf8AsCp1252(std::string& out, std::string_view utf8)
{
    const size_t start = out.size();
    if (ConvertToCp1252(out, utf8, [](char32_t) { return false; }))
        return true;
    out.resize(start);
    return false;
}

std::optional<std::string> Utf8AsCp1252(std::string_view utf8, char32_t& bad)
{
    std::string out;
    out.reserve(utf8.size());
    if (ConvertToCp1252(out, utf8, [&bad](char32_t c) {
            bad = c;
            return false;
        }))
        return out;
    return std::nullopt;
}

std::string Utf8AsCp1252Lossy(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    ConvertToCp1252(out, utf8, [&out](char32_t) {
        out.push_back('?');
        return true;
    });
    return out;
}

std::string UnencodableMessage(char32_t bad, const std::string& consequence)
{
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(bad));
    return std::string("Character ") + code +
           " cannot be held by Windows-1252, the encoding of this library: " + consequence;
}

} // namespace lorix
