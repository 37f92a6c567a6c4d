#pragma once
// One HTTPS GET with the product's user agent, bounded waits, and nothing
// answered from or written to any cache on the way.

#include "base/result.h"

#include <cstddef>
#include <string>

namespace vexo::platform {

struct HttpRequest {
    std::string url;
    std::string userAgent;
    // Bounds the wait for the response: resolving the name, connecting,
    // sending the request and receiving the response's headers each end
    // with a time-out past it.
    int responseTimeoutMs = 5000;
    // Bounds each read of the body.
    int readTimeoutMs = 5000;
    // Reading ends past this many bytes of body (the answer is then marked
    // cut), so that an endless body cannot fill the memory.
    std::size_t maxBodyBytes = 1 << 20;
};

struct HttpResponse {
    int status = 0;
    std::string body;        // the bytes as received, after any redirect was followed
    std::string reason = {}; // the status line's text ("Not Found"), as the server sent it
    bool cut = false;        // the body went on past the request's maxBodyBytes
};

class Http {
public:
    virtual ~Http() = default;

    // The response, whatever its status; a failure text when no response came.
    virtual base::Result<HttpResponse> Get(const HttpRequest& request) = 0;
};

} // namespace vexo::platform
