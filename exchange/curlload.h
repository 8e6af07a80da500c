#pragma once
// libcurl and the libraries it pulls in (TLS, compression, name look-up,
// Kerberos, LDAP, ...) are about thirty shared objects whose loading and
// symbol binding took most of the start of every lorix-cli command, while
// only a fetch uses them. So libcurl is opened when the first request is
// made: curlload.cpp defines the few libcurl functions that http.cpp calls,
// and each forwards to the real one in the library opened on first use.

namespace lorix {

inline constexpr const char* kCurlLibrary = "libcurl.so.4";

// Opens libcurl once per process. Throws HttpError naming the library and
// the reason when it cannot be opened or lacks a function; a later call
// tries again.
void LoadCurl();

// Opens the shared library `soname` and checks that it holds every libcurl
// function http.cpp uses, without making it the one LoadCurl keeps. Throws
// as LoadCurl does.
void CheckCurlLibrary(const char* soname);

} // namespace lorix
