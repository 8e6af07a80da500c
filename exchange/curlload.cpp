#include "exchange/curlload.h"

#include "core/errors.h"

#include <atomic>
#include <cstdarg>
#include <mutex>
#include <string>

#include <curl/curl.h>
#include <dlfcn.h>

namespace lorix {

namespace {

// The libcurl functions http.cpp calls, resolved in the opened library.
struct CurlFunctions {
    CURLcode (*global_init)(long);
    CURL* (*easy_init)();
    CURLcode (*easy_setopt)(CURL*, CURLoption, ...);
    CURLcode (*easy_perform)(CURL*);
    CURLcode (*easy_getinfo)(CURL*, CURLINFO, ...);
    void (*easy_cleanup)(CURL*);
    const char* (*easy_strerror)(CURLcode);
    curl_slist* (*slist_append)(curl_slist*, const char*);
    void (*slist_free_all)(curl_slist*);
};

template <class F> void Resolve(void* lib, const char* soname, const char* name, F& slot)
{
    void* p = dlsym(lib, name);
    if (!p) {
        dlclose(lib);
        throw HttpError("The HTTP library " + std::string(soname) + " has no function " + name + ".");
    }
    slot = reinterpret_cast<F>(p);
}

CurlFunctions Open(const char* soname)
{
    // RTLD_LOCAL: libcurl's names stay out of the program's own look-ups,
    // so that the functions below are only ever reached through the table.
    void* lib = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char* why = dlerror();
        throw HttpError("Cannot load the HTTP library " + std::string(soname) + ", which fetching needs: " +
                        (why ? why : "unknown reason") + ".");
    }
    CurlFunctions f{};
    Resolve(lib, soname, "curl_global_init", f.global_init);
    Resolve(lib, soname, "curl_easy_init", f.easy_init);
    Resolve(lib, soname, "curl_easy_setopt", f.easy_setopt);
    Resolve(lib, soname, "curl_easy_perform", f.easy_perform);
    Resolve(lib, soname, "curl_easy_getinfo", f.easy_getinfo);
    Resolve(lib, soname, "curl_easy_cleanup", f.easy_cleanup);
    Resolve(lib, soname, "curl_easy_strerror", f.easy_strerror);
    Resolve(lib, soname, "curl_slist_append", f.slist_append);
    Resolve(lib, soname, "curl_slist_free_all", f.slist_free_all);
    return f;
}

std::mutex g_loading;
CurlFunctions g_curl{};
std::atomic<bool> g_loaded{false};

// Every forwarding function below runs after LoadCurl succeeded (http.cpp
// calls it first); a call without it would be a fault of ours, not the
// user's, and fails loudly instead of jumping to null.
const CurlFunctions& Curl()
{
    if (!g_loaded.load(std::memory_order_acquire))
        LoadCurl();
    return g_curl;
}

} // namespace

void LoadCurl()
{
    if (g_loaded.load(std::memory_order_acquire))
        return;
    std::lock_guard<std::mutex> lock(g_loading);
    if (g_loaded.load(std::memory_order_relaxed))
        return;
    g_curl = Open(kCurlLibrary); // the library stays open for the rest of the run
    g_loaded.store(true, std::memory_order_release);
}

void CheckCurlLibrary(const char* soname)
{
    (void)Open(soname);
}

} // namespace lorix

// The libcurl interface, as curl.h declares it, forwarded to the library.
// curl.h makes curl_easy_setopt and curl_easy_getinfo macros; the names in
// parentheses define the functions themselves.

extern "C" {

CURLcode curl_global_init(long flags)
{
    return lorix::Curl().global_init(flags);
}

CURL* curl_easy_init()
{
    return lorix::Curl().easy_init();
}

// An option's number tells the type of its argument, as libcurl reads it.
CURLcode(curl_easy_setopt)(CURL* curl, CURLoption option, ...)
{
    const auto& f = lorix::Curl();
    va_list args;
    va_start(args, option);
    CURLcode rc;
    // curl_off_t is long on 64-bit systems, which makes the first and the
    // fourth branch look alike; they follow libcurl's option ranges.
    if (option < CURLOPTTYPE_OBJECTPOINT)
        rc = f.easy_setopt(curl, option, va_arg(args, long)); // NOLINT(bugprone-branch-clone)
    else if (option < CURLOPTTYPE_FUNCTIONPOINT)
        rc = f.easy_setopt(curl, option, va_arg(args, void*));
    else if (option < CURLOPTTYPE_OFF_T)
        rc = f.easy_setopt(curl, option, va_arg(args, void (*)()));
    else if (option < CURLOPTTYPE_BLOB)
        rc = f.easy_setopt(curl, option, va_arg(args, curl_off_t));
    else
        rc = f.easy_setopt(curl, option, va_arg(args, void*));
    va_end(args);
    return rc;
}

CURLcode curl_easy_perform(CURL* curl)
{
    return lorix::Curl().easy_perform(curl);
}

// Every CURLINFO takes a pointer to where the answer goes.
CURLcode(curl_easy_getinfo)(CURL* curl, CURLINFO info, ...)
{
    va_list args;
    va_start(args, info);
    void* out = va_arg(args, void*);
    va_end(args);
    return lorix::Curl().easy_getinfo(curl, info, out);
}

void curl_easy_cleanup(CURL* curl)
{
    lorix::Curl().easy_cleanup(curl);
}

const char* curl_easy_strerror(CURLcode code)
{
    return lorix::Curl().easy_strerror(code);
}

curl_slist* curl_slist_append(curl_slist* list, const char* text)
{
    return lorix::Curl().slist_append(list, text);
}

void curl_slist_free_all(curl_slist* list)
{
    lorix::Curl().slist_free_all(list);
}

} // extern "C"
