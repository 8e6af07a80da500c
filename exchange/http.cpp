#include "exchange/http.h"

#include "core/errors.h"
#include "exchange/curlload.h"

#include <curl/curl.h>

namespace lorix {

namespace {
struct Receiver {
    HttpResult& result;
    size_t max;
};

size_t Append(char* data, size_t size, size_t n, void* user)
{
    Receiver& r = *static_cast<Receiver*>(user);
    if (size * n > r.max - r.result.Body.size()) {
        r.result.TooLarge = true;
        return 0; // stops the transfer
    }
    r.result.Body.append(data, size * n);
    return size * n;
}
} // namespace

HttpResult CurlHttpClient::Get(const HttpRequest& request)
{
    LoadCurl();
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    (void)initialised;
    CURL* curl = curl_easy_init();
    if (!curl)
        throw HttpError("Cannot start an HTTP request.");
    HttpResult result;
    char errbuf[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, request.Url.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, request.FollowRedirects ? 1L : 0L);
    if (request.MaxRedirects >= 0)
        curl_easy_setopt(curl, CURLOPT_MAXREDIRS, request.MaxRedirects);
    if (!request.Protocols.empty()) {
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, request.Protocols.c_str());
        curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, request.Protocols.c_str());
    }
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, request.ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, request.TotalTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_USERAGENT, request.UserAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_COOKIEFILE, ""); // cookies kept for the request's redirects
    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, ("Accept: " + request.Accept).c_str());
    if (!request.ContentType.empty())
        headers = curl_slist_append(headers, ("Content-Type: " + request.ContentType).c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errbuf);
    Receiver receiver{result, request.MaxBodyBytes};
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &receiver);
    // An announced length above the limit stops the transfer before it starts.
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.MaxBodyBytes));
    CURLcode rc = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.Status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    if (rc == CURLE_FILESIZE_EXCEEDED)
        result.TooLarge = true;
    if (result.TooLarge)
        return result;
    if (rc != CURLE_OK)
        throw HttpError(errbuf[0] ? std::string(errbuf) : std::string(curl_easy_strerror(rc)));
    return result;
}

} // namespace lorix
