#include "exchange/pubmed.h"

#include "core/errors.h"
#include "core/text.h"
#include "exchange/medline.h"

#include <algorithm>

namespace lorix {

bool ClipboardPubmedId(std::string_view clipboard, std::string& id)
{
    const std::string_view t = TrimView(clipboard);
    if (t.size() > 15)
        return false;
    for (char c : t)
        if (c < '0' || c > '9')
            return false;
    id.assign(t);
    return true;
}

std::string PercentEncode(std::string_view text)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string UrlWithId(std::string url, std::string_view id)
{
    const std::string encoded = PercentEncode(id);
    for (size_t p = url.find("{id}"); p != std::string::npos; p = url.find("{id}", p + encoded.size()))
        url.replace(p, 4, encoded);
    return url;
}

std::string PubmedUrl(const SettingsList& settings, std::string_view id)
{
    return UrlWithId(
        settings.Has(key::PubmedUrl) ? settings.Read(key::PubmedUrl) : std::string(kDefaultPubmedUrl), id);
}

void CheckAnswer(const HttpResult& result, const SettingsList& settings, const std::string& service,
                 const std::string& url)
{
    if (result.TooLarge)
        throw HttpError(ImportTooLargeText(settings, "The answer of " + url));
    if (result.Status >= 400)
        throw HttpError("The " + service + " service answered with HTTP status " +
                        std::to_string(result.Status) + " for " + url);
}

std::string FetchPubmedRecord(HttpClient& http, const SettingsList& settings, const std::string& url)
{
    HttpRequest request;
    request.Url = url;
    if (settings.Has(key::PubmedTimeout))
        request.TotalTimeoutSeconds = settings.ReadInt(key::PubmedTimeout);
    if (request.TotalTimeoutSeconds <= 0)
        request.TotalTimeoutSeconds = 60;
    request.ConnectTimeoutSeconds = std::min(request.ConnectTimeoutSeconds, request.TotalTimeoutSeconds);
    request.MaxBodyBytes = ImportLimitBytes(settings);
    const HttpResult result = http.Get(request);
    CheckAnswer(result, settings, "PubMed", url);
    return result.Body;
}

} // namespace lorix
