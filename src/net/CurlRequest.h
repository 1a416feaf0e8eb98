#pragma once

#include "net/HttpResult.h"

#include <QByteArray>

#include <curl/curl.h>

namespace kaldoria::net {

// libcurl's global set-up, done once per process before the first handle.
void initialiseCurl();

// What every request of the launcher sets on its libcurl handle: the user agent, http and
// https only, up to five redirects, TLS that verifies the server against the certificate
// authority file named by the environment (see HttpClient::caFileFromEnvironment), large
// receive buffers. `http2` lets an https server that offers HTTP/2 carry several requests
// over one connection; without it every request speaks HTTP/1.1.
void setCommonOptions(CURL* easy, const QByteArray& userAgent, bool http2);

// Sets the address as sent and the redirects it may follow: within its own scheme or from
// http to https, never from https to http.
void setRequestUrl(CURL* easy, const QByteArray& url);

// Whether libcurl follows an answer of this status when it names a Location.
bool isFollowedRedirect(long status);

// The kind of failure of a finished transfer, from libcurl's code and the final status.
HttpError errorOf(CURLcode code, long status);

} // namespace kaldoria::net
