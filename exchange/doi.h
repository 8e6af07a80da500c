#pragma once
// Fetching a work's BibTeX by its DOI or arXiv identifier: recognising the
// identifier, the request (content negotiation at the DOI resolver), and
// adding the answer's entries to the library.

#include "core/session.h"
#include "exchange/http.h"

#include <functional>
#include <string>
#include <string_view>

namespace lorix {

inline constexpr const char* kDefaultDoiUrl = "https://doi.org/{id}";

struct WorkId {
    enum class Kind { None, Doi, Arxiv };
    Kind kind = Kind::None;
    // The DOI, or the arXiv identifier with its version ("2101.00001v2").
    std::string Id;
    // What the resolver is asked: the DOI itself, or for an arXiv
    // identifier the DOI arXiv gives it, 10.48550/arXiv. and the
    // identifier without its version (versions have no DOI of their own).
    std::string Doi;
    explicit operator bool() const { return kind != Kind::None; }
};

// Text as a DOI (10.NNNN/..., also as a doi.org or dx.doi.org link or with
// a "doi:" prefix) or an arXiv identifier (2101.00001, arXiv:2101.00001v2,
// hep-th/9901001, also as an arxiv.org/abs or /pdf link); blanks around it
// are passed over. Anything else gives Kind::None.
WorkId RecognizeWorkId(std::string_view text);

// The request URL: the "doi.url" setting (or kDefaultDoiUrl) with every
// "{id}" replaced by the percent-encoded DOI.
std::string DoiUrl(const SettingsList& settings, std::string_view doi);

// At most this many redirects are followed, to http and https only.
inline constexpr long kDoiMaxRedirects = 5;

// GET of the URL asking for BibTeX (Accept: application/x-bibtex). Throws
// HttpError with the failure's text on a failed transfer (no answer, too
// many redirects, a redirect elsewhere than http or https), an HTTP error
// status (400 and above) or an answer larger than ImportLimitBytes; returns
// the body.
std::string FetchDoiBibtex(HttpClient& http, const SettingsList& settings, const std::string& url);

// An answer's text as UTF-8: unchanged when it is UTF-8, otherwise read as
// Windows-1252 (every byte is a character there), so that the library never
// holds two encodings.
std::string AnswerAsUtf8(std::string_view body);

// "No BibTeX entry in the answer for DOI": the error message of an answer
// that holds no entry.
std::string NoEntryText(const WorkId& id);

// Adds the entries of the answer text (bytes in the library's encoding) as
// Paste BibTeX does; the first entry gets a "doi" field holding the DOI
// asked when no entry of the answer has one. Reports "Added N items." or the
// NoEntryText error. Returns the library index of the first new item, or -1
// when nothing was added (then nothing changed). before runs just before the
// library changes.
int AddDoiAnswer(Session& s, std::string_view text, const WorkId& id, const std::function<void()>& before = {});

} // namespace lorix
