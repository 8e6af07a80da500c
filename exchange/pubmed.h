#pragma once
// Fetching one article by its PubMed identifier: the identifier rules, the
// request URL and the HTTP request itself. The response body goes through
// the MEDLINE import (exchange/medline.h).

#include "core/settings.h"
#include "exchange/http.h"

#include <string>
#include <string_view>

namespace lorix {

// The request of the program's first version, to the public service's host;
// used when the settings hold no "pubmed.url".
inline constexpr const char* kDefaultPubmedUrl =
    "http://www.ncbi.nlm.nih.gov/entrez/query.fcgi?cmd=Text&db=PubMed&uid={id}&dopt=Medline";

// Clipboard text as an identifier: trimmed, at most 15 characters, all of
// them decimal digits (an empty text passes). False: not an identifier.
bool ClipboardPubmedId(std::string_view clipboard, std::string& id);

// The request URL: the "pubmed.url" setting (or kDefaultPubmedUrl) with
// every "{id}" replaced by the percent-encoded identifier.
std::string PubmedUrl(const SettingsList& settings, std::string_view id);

// Every byte except letters, digits and "-._~" as %XX.
std::string PercentEncode(std::string_view text);
// url with every "{id}" replaced by the percent-encoded id.
std::string UrlWithId(std::string url, std::string_view id);
// Throws HttpError for an answer larger than ImportLimitBytes or with an
// HTTP error status (400 and above), naming the service and the URL.
void CheckAnswer(const HttpResult& result, const SettingsList& settings, const std::string& service,
                 const std::string& url);

// GET of the URL with the program's request settings; the whole transfer may
// take "pubmed.timeout" seconds (60 when the key is absent). Throws HttpError
// with the failure's text on a failed transfer, an HTTP error status (400
// and above) or an answer larger than ImportLimitBytes, ConversionError for a
// non-numeric time-out or limit; returns the body unchanged.
std::string FetchPubmedRecord(HttpClient& http, const SettingsList& settings, const std::string& url);

} // namespace lorix
