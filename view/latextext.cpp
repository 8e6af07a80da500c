#include "view/latextext.h"

#include "core/text.h"

#include <algorithm>
#include <array>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace lorix {

namespace {

// Accent commands and the letters they go with: each base letter followed by
// its precomposed character. A pair Unicode has no single character for (a P
// with macron) is not here and stays as written.
struct Accent {
    char name;
    std::string_view pairs;
};
constexpr Accent kAccents[] = {
    {'\'', "AÁaáEÉeéIÍiíOÓoóUÚuúYÝyýCĆcćNŃnńSŚsśZŹzźLĹlĺRŔrŕGǴgǵ"},
    {'`', "AÀaàEÈeèIÌiìOÒoòUÙuùNǸnǹ"},
    {'^', "AÂaâEÊeêIÎiîOÔoôUÛuûCĈcĉGĜgĝHĤhĥJĴjĵSŜsŝWŴwŵYŶyŷ"},
    {'"', "AÄaäEËeëIÏiïOÖoöUÜuüYŸyÿ"},
    {'~', "AÃaãNÑnñOÕoõIĨiĩUŨuũ"},
    {'=', "AĀaāEĒeēIĪiīOŌoōUŪuū"},
    {'.', "CĊcċEĖeėGĠgġIİZŻzż"},
    {'u', "AĂaăEĔeĕGĞgğIĬiĭOŎoŏUŬuŭ"},
    {'v', "CČcčDĎdďEĚeěNŇnňRŘrřSŠsšTŤtťZŽzžLĽlľ"},
    {'H', "OŐoőUŰuű"},
    {'c', "CÇcçSŞsşTŢtţGĢgģKĶkķLĻlļNŅnņRŖrŗEȨeȩ"},
    {'k', "AĄaąEĘeęIĮiįUŲuų"},
    {'r', "AÅaåUŮuů"},
};

// Commands that stand for a text of their own (UTF-8).
// clang-format off
constexpr std::pair<std::string_view, std::string_view> kSymbols[] = {
    {"ss", "ß"}, {"aa", "å"}, {"AA", "Å"}, {"ae", "æ"}, {"AE", "Æ"}, {"oe", "œ"}, {"OE", "Œ"}, {"o", "ø"},
    {"O", "Ø"}, {"l", "ł"}, {"L", "Ł"}, {"i", "ı"}, {"j", "ȷ"}, {"dh", "ð"}, {"DH", "Ð"}, {"th", "þ"},
    {"TH", "Þ"}, {"ng", "ŋ"}, {"NG", "Ŋ"}, {"dj", "đ"}, {"DJ", "Đ"}, {"textendash", "–"}, {"textemdash", "—"},
    {"textquoteleft", "‘"}, {"textquoteright", "’"}, {"textquotedblleft", "“"}, {"textquotedblright", "”"},
    {"quotesinglbase", "‚"}, {"quotedblbase", "„"}, {"guillemotleft", "«"}, {"guillemotright", "»"},
    {"guilsinglleft", "‹"}, {"guilsinglright", "›"}, {"textbackslash", "\\"}, {"textasciitilde", "~"},
    {"textasciicircum", "^"}, {"textbar", "|"}, {"textless", "<"}, {"textgreater", ">"},
    {"textunderscore", "_"}, {"textbraceleft", "{"}, {"textbraceright", "}"}, {"textdollar", "$"}, {"S", "§"},
    {"textsection", "§"}, {"P", "¶"}, {"textparagraph", "¶"}, {"copyright", "©"}, {"textcopyright", "©"},
    {"textregistered", "®"}, {"texttrademark", "™"}, {"pounds", "£"}, {"textsterling", "£"}, {"euro", "€"},
    {"texteuro", "€"}, {"dag", "†"}, {"textdagger", "†"}, {"ddag", "‡"}, {"textdaggerdbl", "‡"}, {"ldots", "…"},
    {"dots", "…"}, {"textellipsis", "…"}, {"textdegree", "°"}, {"textperiodcentered", "·"}, {"textbullet", "•"},
    {"textexclamdown", "¡"}, {"textquestiondown", "¿"}, {"TeX", "TeX"}, {"LaTeX", "LaTeX"},
    {"BibTeX", "BibTeX"},
    // Escaped characters and spacing.
    {"&", "&"}, {"%", "%"}, {"$", "$"}, {"#", "#"}, {"_", "_"}, {"{", "{"}, {"}", "}"}, {" ", " "}, {",", " "},
    {"-", ""}, {"/", ""}, {"@", ""},
};
// clang-format on

// Font and case commands: they change how a text looks, not what it says.
// clang-format off
constexpr std::string_view kFontCommands[] = {
    "emph", "textit", "textbf", "textsc", "texttt", "textrm", "textsf", "textsl", "textup", "textmd",
    "textnormal", "mbox", "text", "em", "it", "bf", "sc", "rm", "tt", "sf", "sl", "up", "normalfont", "itshape",
    "bfseries", "scshape", "upshape", "mdseries", "rmfamily", "sffamily", "ttfamily", "slshape", "protect",
};
// clang-format on

// The bytes where a plain run of text ends.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> t{};
    for (char c : std::string_view("\\{}$~-`'"))
        t[static_cast<unsigned char>(c)] = true;
    return t;
}();

size_t PlainRunEnd(std::string_view s, size_t i)
{
    while (i < s.size() && !kSpecial[static_cast<unsigned char>(s[i])])
        ++i;
    return i;
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

const Accent* FindAccent(std::string_view name)
{
    if (name.size() != 1)
        return nullptr;
    for (const Accent& a : kAccents)
        if (a.name == name[0])
            return &a;
    return nullptr;
}

// The precomposed character (UTF-8) of an accent over base; empty when none.
std::string_view Compose(const Accent& accent, char base)
{
    const std::string_view p = accent.pairs;
    for (size_t i = 0; i < p.size();) {
        const size_t len = static_cast<unsigned char>(p[i + 1]) < 0xE0 ? 2 : 3;
        if (p[i] == base)
            return p.substr(i + 1, len);
        i += 1 + len;
    }
    return {};
}

const std::unordered_map<std::string_view, std::string_view>& Symbols()
{
    static const std::unordered_map<std::string_view, std::string_view> map(std::begin(kSymbols),
                                                                            std::end(kSymbols));
    return map;
}

bool IsFontCommand(std::string_view name)
{
    static const std::unordered_set<std::string_view> set(std::begin(kFontCommands), std::end(kFontCommands));
    return set.count(name) > 0;
}

struct Group {
    size_t open;   // index of its "{" in the output
    bool clean;    // everything inside was converted
    bool argument; // the argument of a command kept as written: keeps its braces
};

// One pass over the value. Groups are kept on a stack rather than by
// recursion, so that no nesting depth can exhaust the stack. A group's "{"
// is written when it opens; when it closes with everything inside converted,
// its position is noted and the braces are left out at the end. The stacks
// are kept from call to call, so that a list refresh allocates nothing for them.
class Converter {
  public:
    Converter(std::string_view in, bool utf8, std::string& out) : m_in(in), m_utf8(utf8), m_out(out)
    {
        static thread_local std::vector<Group> groups;
        static thread_local std::vector<size_t> dropped;
        groups.clear();
        dropped.clear();
        m_groups = &groups;
        m_dropped = &dropped;
    }

    void Run()
    {
        m_out.clear();
        m_out.reserve(m_in.size());
        size_t i = 0;
        while (i < m_in.size()) {
            const size_t plain = PlainRunEnd(m_in, i);
            if (plain > i) {
                m_out.append(m_in.substr(i, plain - i));
                m_argumentFollows = false;
                i = plain;
                continue;
            }
            const bool argument = m_argumentFollows;
            m_argumentFollows = false;
            const char c = m_in[i];
            if (c == '{') {
                m_groups->push_back({m_out.size(), true, argument});
                m_out.push_back('{');
                ++i;
            } else if (c == '}') {
                CloseGroup();
                ++i;
            } else if (c == '$') {
                i = Math(i);
            } else if (c == '\\') {
                i = Command(i);
            } else if (c == '~') {
                Emit("\u00A0", i, i + 1);
                ++i;
            } else if (c == '-' && At(i + 1) == '-') {
                const bool em = At(i + 2) == '-';
                const size_t end = i + (em ? 3 : 2);
                Emit(em ? "—" : "–", i, end);
                i = end;
            } else if ((c == '`' || c == '\'') && At(i + 1) == c) {
                Emit(c == '`' ? "“" : "”", i, i + 2);
                i += 2;
            } else {
                m_out.push_back(c);
                ++i;
            }
        }
        Compact();
    }

  private:
    char At(size_t i) const { return i < m_in.size() ? m_in[i] : '\0'; }

    size_t SkipBlanks(size_t i) const
    {
        while (i < m_in.size() && IsBlank(m_in[i]))
            ++i;
        return i;
    }

    // Something kept as written: the braces around it must stay.
    void KeepAsWritten(size_t from, size_t to)
    {
        m_out.append(m_in.substr(from, to - from));
        if (!m_groups->empty())
            m_groups->back().clean = false;
    }

    // The text (UTF-8) in the library's encoding, or the source from..to as
    // written when that encoding has no byte for it.
    bool Emit(std::string_view text, size_t from, size_t to)
    {
        if (m_utf8) {
            m_out.append(text);
            return true;
        }
        if (AppendUtf8AsCp1252(m_out, text))
            return true;
        KeepAsWritten(from, to);
        return false;
    }

    void CloseGroup()
    {
        if (m_groups->empty()) { // a "}" that closes nothing
            m_out.push_back('}');
            return;
        }
        const Group g = m_groups->back();
        m_groups->pop_back();
        if (g.clean && !g.argument)
            m_dropped->push_back(g.open);
        else
            m_out.push_back('}');
        if (!g.clean && !m_groups->empty())
            m_groups->back().clean = false;
        m_argumentFollows = g.argument; // \cmd{a}{b}: the next group is an argument too
    }

    // Math between $ signs is kept as written, up to the closing $.
    size_t Math(size_t i)
    {
        size_t j = i + 1;
        while (j < m_in.size() && m_in[j] != '$')
            j += m_in[j] == '\\' ? 2 : 1;
        j = std::min(j + 1, m_in.size());
        KeepAsWritten(i, j);
        return j;
    }

    // The base letter of an accent at k: "u", "{u}", "\i", "{\i}". Returns the
    // end of the argument, or 0 when there is none.
    size_t AccentBase(size_t k, char& base) const
    {
        const bool braced = At(k) == '{';
        if (braced)
            ++k;
        if (IsLetter(At(k))) {
            base = m_in[k++];
        } else if (At(k) == '\\' && (At(k + 1) == 'i' || At(k + 1) == 'j') && !IsLetter(At(k + 2))) {
            base = m_in[k + 1];
            k += 2;
        } else {
            return 0;
        }
        if (braced && At(k++) != '}')
            return 0;
        return k;
    }

    size_t Command(size_t start)
    {
        size_t i = start + 1;
        if (i == m_in.size()) {
            KeepAsWritten(start, i);
            return i;
        }
        const bool word = IsLetter(m_in[i]);
        if (word)
            while (i < m_in.size() && IsLetter(m_in[i]))
                ++i;
        else
            ++i;
        const std::string_view name = m_in.substr(start + 1, i - start - 1);

        if (const Accent* accent = FindAccent(name)) {
            // A letter-named accent takes its argument after blanks (\c c).
            char base = 0;
            const size_t end = AccentBase(word ? SkipBlanks(i) : i, base);
            const std::string_view text = end ? Compose(*accent, base) : std::string_view();
            if (!text.empty()) {
                Emit(text, start, end);
                return end;
            }
        } else if (auto it = Symbols().find(name); it != Symbols().end()) {
            // A command word ends at the blanks after it, which TeX swallows;
            // kept as written it keeps them, so it does not run into the next word.
            if (Emit(it->second, start, i) && word)
                i = SkipBlanks(i);
            return i;
        } else if (word && IsFontCommand(name)) {
            return SkipBlanks(i);
        } else if (name == "noopsort") {
            // Sorts, prints nothing: the command and its argument go.
            i = SkipBlanks(i);
            if (At(i) == '{')
                for (int depth = 0; i < m_in.size();) {
                    const char c = m_in[i];
                    i += c == '\\' ? 2 : 1;
                    depth += c == '{' ? 1 : c == '}' ? -1 : 0;
                    if (depth == 0)
                        break;
                }
            return std::min(i, m_in.size());
        }
        // Not known (or an accent over something it cannot go with): kept as
        // written, with the braces of its arguments.
        KeepAsWritten(start, i);
        m_argumentFollows = true;
        return i;
    }

    // Leaves out the "{" of every dropped group, in place.
    void Compact()
    {
        std::vector<size_t>& dropped = *m_dropped;
        if (dropped.empty())
            return;
        std::sort(dropped.begin(), dropped.end());
        dropped.push_back(m_out.size());
        size_t to = dropped[0];
        for (size_t k = 0; k + 1 < dropped.size(); ++k) {
            const auto from = m_out.begin() + static_cast<std::ptrdiff_t>(dropped[k] + 1);
            const auto end = m_out.begin() + static_cast<std::ptrdiff_t>(dropped[k + 1]);
            std::copy(from, end, m_out.begin() + static_cast<std::ptrdiff_t>(to));
            to += static_cast<size_t>(end - from);
        }
        m_out.resize(to);
    }

    std::string_view m_in;
    bool m_utf8;
    std::string& m_out;
    std::vector<Group>* m_groups;
    std::vector<size_t>* m_dropped;
    bool m_argumentFollows = false;
};

} // namespace

void LatexToText(std::string_view value, bool utf8, std::string& out)
{
    if (PlainRunEnd(value, 0) == value.size())
        out.assign(value);
    else
        Converter(value, utf8, out).Run();
}

std::string LatexToText(std::string_view value, bool utf8)
{
    std::string out;
    LatexToText(value, utf8, out);
    return out;
}

} // namespace lorix
