#include "core/model.h"

#include "core/fileio.h"
#include "core/scan.h"
#include "core/settings.h"
#include "core/text.h"

#include <algorithm>
#include <array>
#include <unordered_set>

namespace lorix {

int Bibitem::FindField(std::string_view name) const
{
    for (int j = LastField(); j >= 0; --j)
        if (Fields[static_cast<size_t>(j)].Name == name)
            return j;
    return -1;
}

void TBib::Clear()
{
    Library.clear();
    Blocks.clear();
    TrailingText.clear();
    Utf8 = true;
}

std::string ReferenceText(std::string_view typed)
{
    std::string out;
    out.reserve(typed.size());
    for (char c : typed)
        if (c != ',' && c != '{' && c != '}' && static_cast<unsigned char>(c) >= 32 &&
            !(c == ' ' && (out.empty() || out.back() == ' ')))
            out += c;
    // Dropping a brace between two blanks leaves a run the reader would fold.
    if (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

std::string FieldNameText(std::string_view typed)
{
    static constexpr auto kDropped = [] {
        std::array<bool, 256> t{};
        for (int c = 0; c <= 32; ++c)
            t[static_cast<size_t>(c)] = true;
        for (unsigned char c : std::string_view(",={}()\"#"))
            t[c] = true;
        return t;
    }();
    std::string out;
    out.reserve(typed.size());
    for (char c : typed) {
        if (kDropped[static_cast<unsigned char>(c)] || (c == '@' && out.empty()))
            continue;
        out += c;
    }
    return out;
}

std::string UniqueReference(const TBib& bib, const std::string& ref)
{
    std::unordered_set<std::string_view> used;
    used.reserve(bib.Library.size());
    for (const Bibitem& it : bib.Library)
        used.insert(it.Reference);
    return UniqueReference(used, ref);
}

std::string UniqueReference(const std::unordered_set<std::string_view>& used, const std::string& ref)
{
    if (!used.count(ref))
        return ref;
    // One-character suffixes from "a" up to the last byte value; should all of
    // them be taken, a number follows instead, so the search always ends.
    // "{" and "}" are passed over: a reference cannot hold them (see
    // ReferenceText); "}" would close the entry's header in the saved file.
    for (int c = 'a'; c <= 255; ++c) {
        if (c == '{' || c == '}')
            continue;
        std::string candidate = ref + static_cast<char>(c);
        if (!used.count(candidate))
            return candidate;
    }
    for (unsigned long n = 1;; ++n) {
        std::string candidate = ref + std::to_string(n);
        if (!used.count(candidate))
            return candidate;
    }
}

MissingBraces CountMissingBraces(std::string_view value)
{
    MissingBraces m;
    size_t depth = 0;
    for (size_t i = scan::FindFirstOf<'{', '}'>(value.data(), 0, value.size()); i < value.size();
         i = scan::FindFirstOf<'{', '}'>(value.data(), i + 1, value.size())) {
        if (value[i] == '{')
            ++depth;
        else if (depth > 0)
            --depth;
        else
            ++m.Open;
    }
    m.Close = depth;
    return m;
}

namespace {

// Each braced or quoted part of a bare value balances, read as the reader
// reads it: a braced part ends at the "}" that closes it, a quoted part at a
// quote outside braces; a brace outside any part closes or opens nothing.
bool BareValueBalanced(std::string_view v)
{
    for (size_t i = 0; i < v.size(); ++i) {
        if (v[i] == '}')
            return false;
        if (v[i] != '{' && v[i] != '"')
            continue;
        const char open = v[i];
        size_t depth = 0;
        for (++i;; ++i) {
            if (i >= v.size())
                return false;
            if (v[i] == '{')
                ++depth;
            else if (v[i] == '}') {
                if (depth == 0 && open == '{')
                    break;
                if (depth == 0)
                    return false;
                --depth;
            } else if (v[i] == '"' && open == '"' && depth == 0)
                break;
        }
    }
    return true;
}

} // namespace

bool IsBalanced(const Bibfield& f)
{
    return f.Bare ? BareValueBalanced(f.Value) : !CountMissingBraces(f.Value).Any();
}

bool BalanceField(Bibfield& f)
{
    if (IsBalanced(f))
        return false;
    f.Bare = false;
    const MissingBraces m = CountMissingBraces(f.Value);
    f.Value.insert(0, m.Open, '{');
    f.Value.append(m.Close, '}');
    return true;
}

const std::string& GetFieldValue(const Bibitem& item, std::string_view name)
{
    static const std::string empty;
    int j = item.FindField(name);
    return j < 0 ? empty : item.Fields[static_cast<size_t>(j)].Value;
}

const std::string& ColumnValue(const Bibitem& item, std::string_view column)
{
    if (column == "reference")
        return item.Reference;
    if (column == "type")
        return item.ItemType;
    return GetFieldValue(item, column);
}

std::string DocumentStem(std::string_view reference)
{
    std::string stem(reference);
    const size_t colon = stem.find(':');
    if (colon != std::string::npos)
        stem.erase(colon, 1);
    return stem;
}

std::string DocumentFileName(std::string_view stem, const std::function<bool(const std::string&)>& exists)
{
    std::string result;
    for (const char* ext : kDocumentExtensions) {
        std::string name = std::string(stem) + ext;
        if (exists(name))
            result = std::move(name);
    }
    return result;
}

DocumentPath SplitDocumentPath(std::string_view pdfPath)
{
    const size_t sep = pdfPath.find_last_of('/');
    if (sep == std::string_view::npos)
        return {".", std::string(pdfPath)};
    return {std::string(pdfPath.substr(0, sep + 1)), std::string(pdfPath.substr(sep + 1))};
}

std::string FindDocumentFile(std::string_view reference, std::string_view pdfPath)
{
    const std::string folder(pdfPath);
    return DocumentFileName(DocumentStem(reference),
                            [&folder](const std::string& name) { return FileExists(folder + name); });
}

std::string_view NextKeyword(std::string_view& text)
{
    const size_t p = text.find(' ');
    const std::string_view keyword = TrimView(text.substr(0, p));
    text = p == std::string_view::npos ? std::string_view() : TrimView(text.substr(p));
    return keyword;
}

void SortNoCase(std::vector<std::string>& list)
{
    std::stable_sort(list.begin(), list.end(),
                     [](const std::string& a, const std::string& b) { return CompareNoCase(a, b) < 0; });
}

namespace {

// The first "." of a file's own name (never one in a folder name), or npos.
size_t OwnNameDot(std::string_view path)
{
    const size_t slash = path.find_last_of('/');
    return path.find('.', slash == std::string_view::npos ? 0 : slash + 1);
}

} // namespace

std::string LibraryFileName(std::string_view chosen)
{
    std::string name(chosen);
    if (OwnNameDot(name) == std::string::npos)
        name += ".bib";
    return name;
}

std::string NotesFileName(const std::string& libraryPath)
{
    const size_t dot = OwnNameDot(libraryPath);
    if (dot == std::string::npos)
        return libraryPath + ".not";
    std::string notes = libraryPath.substr(0, dot + 1) + "not";
    // A library named "refs.not" would have its notes written over itself.
    if (notes == libraryPath)
        notes += ".not";
    return notes;
}

int FindNoteEntry(const std::vector<std::string>& notes, std::string_view reference)
{
    // Stopping at a note line that reads like the reference would hide that
    // reference's own entry; typing its note would then file every keystroke
    // under a new, unfindable entry and the text would be lost.
    for (size_t k = 0; k < notes.size(); k += 2)
        if (EqualsNoCase(notes[k], reference))
            return static_cast<int>(k);
    return -1;
}

int FindNoteLine(const std::vector<std::string>& notes, std::string_view reference)
{
    int k = FindNoteEntry(notes, reference);
    if (k < 0 || static_cast<size_t>(k) + 1 >= notes.size())
        return -1;
    return k + 1;
}

std::string GetNote(const std::vector<std::string>& notes, std::string_view reference)
{
    int line = FindNoteLine(notes, reference);
    return line < 0 ? std::string() : notes[static_cast<size_t>(line)];
}

void SetNote(std::vector<std::string>& notes, std::string_view reference, std::string text)
{
    const int e = FindNoteEntry(notes, reference);
    if (e < 0) {
        if (!text.empty()) {
            notes.emplace_back(reference);
            notes.push_back(std::move(text));
        }
        return;
    }
    const auto at = notes.begin() + e;
    if (text.empty())
        notes.erase(at, at + 2);
    else
        at[1] = std::move(text);
}

} // namespace lorix
