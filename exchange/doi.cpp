#include "exchange/doi.h"

#include "core/errors.h"
#include "core/schema.h"
#include "core/text.h"
#include "exchange/bibtext.h"
#include "exchange/medline.h"
#include "exchange/pubmed.h"

#include <algorithm>

namespace lorix {

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool AllDigits(std::string_view s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), IsDigit);
}

// Takes prefix off the front of s, ignoring letter case.
bool TakePrefix(std::string_view& s, std::string_view prefix)
{
    if (s.size() < prefix.size() || !EqualsNoCase(s.substr(0, prefix.size()), prefix))
        return false;
    s.remove_prefix(prefix.size());
    return true;
}

// "http://" or "https://", then "www." when there.
void TakeScheme(std::string_view& s)
{
    if (!TakePrefix(s, "https://"))
        TakePrefix(s, "http://");
    TakePrefix(s, "www.");
}

// The path of a link: up to its query or fragment, %XX decoded.
std::string LinkPath(std::string_view s)
{
    s = s.substr(0, std::min(s.find('?'), s.find('#')));
    std::string out;
    auto hex = [](char c) {
        return IsDigit(c)               ? c - '0'
               : (c >= 'a' && c <= 'f') ? c - 'a' + 10
               : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                        : -1;
    };
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hex(s[i + 1]) >= 0 && hex(s[i + 2]) >= 0) {
            out += static_cast<char>(hex(s[i + 1]) * 16 + hex(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// 10.NNNN/suffix: a registrant code of at least four digits (with dotted
// sub-codes), a slash, and a suffix without blanks or control characters.
bool IsDoi(std::string_view s)
{
    if (!TakePrefix(s, "10."))
        return false;
    const size_t slash = s.find('/');
    if (slash == std::string_view::npos || slash + 1 >= s.size())
        return false;
    std::string_view code = s.substr(0, slash);
    const size_t dot = code.find('.');
    const std::string_view head = code.substr(0, dot);
    if (head.size() < 4 || !AllDigits(head))
        return false;
    for (size_t p = dot; p != std::string_view::npos;) {
        const size_t q = code.find('.', p + 1);
        if (!AllDigits(code.substr(p + 1, q == std::string_view::npos ? q : q - p - 1)))
            return false;
        p = q;
    }
    const std::string_view suffix = s.substr(slash + 1);
    return std::none_of(suffix.begin(), suffix.end(),
                        [](char c) { return IsTrimByte(static_cast<unsigned char>(c)); });
}

bool ValidMonth(std::string_view yymm)
{
    const int month = (yymm[2] - '0') * 10 + (yymm[3] - '0');
    return month >= 1 && month <= 12;
}

// "v" and a version number at the end, taken off into version.
std::string_view WithoutVersion(std::string_view id)
{
    const size_t v = id.rfind('v');
    if (v != std::string_view::npos && AllDigits(id.substr(v + 1)))
        return id.substr(0, v);
    return id;
}

// YYMM.NNNN (until 2014) or YYMM.NNNNN (from 2015 on), and the older
// archive/YYMMNNN (hep-th/9901001, math.GT/0309136).
bool IsArxiv(std::string_view id)
{
    if (id.size() >= 9 && AllDigits(id.substr(0, 4)) && id[4] == '.') {
        const std::string_view number = id.substr(5);
        const bool five = id.substr(0, 4) >= "1501";
        return AllDigits(number) && number.size() == (five ? 5u : 4u) && ValidMonth(id);
    }
    const size_t slash = id.find('/');
    if (slash == std::string_view::npos || slash == 0)
        return false;
    std::string_view archive = id.substr(0, slash);
    const std::string_view number = id.substr(slash + 1);
    if (const size_t dot = archive.find('.'); dot != std::string_view::npos) {
        const std::string_view subject = archive.substr(dot + 1);
        if (subject.size() != 2 ||
            !std::all_of(subject.begin(), subject.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
            return false;
        archive = archive.substr(0, dot);
    }
    const bool word = std::all_of(archive.begin(), archive.end(),
                                  [](char c) { return (c >= 'a' && c <= 'z') || c == '-'; });
    return word && archive.front() != '-' && archive.back() != '-' && number.size() == 7 &&
           AllDigits(number) && ValidMonth(number);
}

} // namespace

WorkId RecognizeWorkId(std::string_view text)
{
    std::string_view s = TrimView(text);
    std::string rest(s);
    bool arxivOnly = false, doiOnly = false;
    std::string_view link = s;
    TakeScheme(link);
    if (TakePrefix(link, "dx.doi.org/") || TakePrefix(link, "doi.org/")) {
        rest = LinkPath(link);
        doiOnly = true;
    } else if (TakePrefix(link, "export.arxiv.org/") || TakePrefix(link, "arxiv.org/")) {
        if (!TakePrefix(link, "abs/") && !TakePrefix(link, "pdf/"))
            return {};
        rest = LinkPath(link);
        if (rest.size() > 4 && EqualsNoCase(std::string_view(rest).substr(rest.size() - 4), ".pdf"))
            rest.resize(rest.size() - 4);
        arxivOnly = true;
    } else {
        std::string_view p = s;
        if (TakePrefix(p, "doi:"))
            doiOnly = true;
        else if (TakePrefix(p, "arxiv:"))
            arxivOnly = true;
        rest = TrimView(p);
    }
    WorkId id;
    if (!arxivOnly && IsDoi(rest)) {
        id.kind = WorkId::Kind::Doi;
        id.Id = id.Doi = rest;
    } else if (!doiOnly && IsArxiv(WithoutVersion(rest))) {
        id.kind = WorkId::Kind::Arxiv;
        id.Id = rest;
        id.Doi = "10.48550/arXiv." + std::string(WithoutVersion(rest));
    }
    return id;
}

std::string DoiUrl(const SettingsList& settings, std::string_view doi)
{
    return UrlWithId(settings.Has(key::DoiUrl) ? settings.Read(key::DoiUrl) : std::string(kDefaultDoiUrl), doi);
}

std::string FetchDoiBibtex(HttpClient& http, const SettingsList& settings, const std::string& url)
{
    HttpRequest request;
    request.Url = url;
    request.Accept = "application/x-bibtex";
    request.ContentType.clear();
    request.UserAgent = "Lorix/0.99 (BibTeX library editor)";
    request.MaxRedirects = kDoiMaxRedirects;
    request.Protocols = "http,https";
    request.MaxBodyBytes = ImportLimitBytes(settings);
    const HttpResult result = http.Get(request);
    if (result.TooLarge)
        throw HttpError(ImportTooLargeText(settings, "The answer of " + url));
    if (result.Status >= 400)
        throw HttpError("The DOI service answered with HTTP status " + std::to_string(result.Status) +
                        " for " + url);
    return result.Body;
}

std::string AnswerAsUtf8(std::string_view body)
{
    if (IsValidUtf8(body))
        return std::string(body);
    std::string out;
    out.reserve(body.size() + body.size() / 4);
    for (const unsigned char c : body) {
        char32_t cp = c >= 0x80 && c <= 0x9F ? kCp1252High[c - 0x80] : c;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

std::string NoEntryText(const WorkId& id)
{
    return "No BibTeX entry in the answer for DOI " + id.Doi + ".";
}

int AddDoiAnswer(Session& s, std::string_view text, const WorkId& id, const std::function<void()>& before)
{
    BibTextAddition add = ReadBibAddition(s, text);
    if (add.Entries.empty()) {
        for (const std::string& e : add.Errors)
            s.Error(e);
        s.Error(NoEntryText(id));
        return -1;
    }
    const bool hasDoi = std::any_of(add.Entries.begin(), add.Entries.end(),
                                    [](const Bibitem& b) { return b.FindField("doi") >= 0; });
    Bibitem& first = add.Entries.front();
    if (!hasDoi && first.Fields.size() < static_cast<size_t>(kMaxFields))
        first.Fields.push_back({"doi", id.Doi});
    else if (!hasDoi)
        add.Errors.push_back("Entry " + first.Reference + " has no room for a doi field: it holds " +
                             std::to_string(kMaxFields) + " fields.");
    const size_t n = add.Entries.size();
    const int at = AppendBibAddition(s, std::move(add), before);
    for (size_t k = 0; k < n; ++k)
        s.Status("Added item " + s.Bib.Library[static_cast<size_t>(at) + k].Reference + " from DOI " +
                 id.Doi + ".");
    return at;
}

} // namespace lorix
