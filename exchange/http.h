#pragma once
// HTTP GET through libcurl: request and result as plain structs, behind an
// interface so that the importer can be tested without a network.

#include <string>

namespace lorix {

struct HttpRequest {
    std::string Url;
    long ConnectTimeoutSeconds = 10;
    long TotalTimeoutSeconds = 60;
    bool FollowRedirects = true;
    // At most this many redirects (-1: libcurl's own limit).
    long MaxRedirects = -1;
    // The protocols the URL and its redirects may use, as libcurl names
    // them ("http,https"); empty: libcurl's default.
    std::string Protocols;
    std::string Accept = "text/html, */*";
    std::string ContentType = "text/html"; // empty: no such header
    std::string UserAgent = "Mozilla/3.0 (compatible; Indy Library)";
    // The transfer stops once the answer's body passes this size.
    size_t MaxBodyBytes = 16u << 20;
};

struct HttpResult {
    long Status = 0;
    std::string Body;
    // The body passed MaxBodyBytes: the transfer was stopped, Body is cut.
    bool TooLarge = false;
};

class HttpClient {
  public:
    virtual ~HttpClient() = default;
    // Throws HttpError with the failure's text.
    virtual HttpResult Get(const HttpRequest& request) = 0;
};

class CurlHttpClient final : public HttpClient {
  public:
    HttpResult Get(const HttpRequest& request) override;
};

} // namespace lorix
