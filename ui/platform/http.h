#pragma once
// One HTTPS GET, uncached, with time-outs and the product's user agent.

#include "base/result.h"

#include <string>

namespace vexo::platform {

struct HttpRequest {
    std::string url;
    std::string userAgent;
    int connectTimeoutMs = 2500;
    int sendTimeoutMs = 2500;
    int receiveTimeoutMs = 2500;
};

struct HttpResponse {
    int status = 0;
    std::string body; // the bytes as received
};

class Http {
public:
    virtual ~Http() = default;

    // The response, whatever its status; a failure text when no response came.
    virtual base::Result<HttpResponse> Get(const HttpRequest& request) = 0;
};

} // namespace vexo::platform
