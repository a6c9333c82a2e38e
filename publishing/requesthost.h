// Which host a request names, so that pages of other sites cannot read the run folder by pointing
// their own host name at 127.0.0.1 (DNS rebinding): a browser always sends the name it resolved.
#pragma once

#include <string_view>

namespace inkwell {

enum class RequestHost
{
    // No Host line, as from an HTTP/1.0 client: nothing in it can name another site.
    Absent,
    // One Host line naming this machine's loopback interface.
    Loopback,
    // Any other name or address, including an empty one.
    Foreign,
    // More than one Host line: which one a proxy or client meant is anyone's guess.
    Repeated,
};

// Whether the request may be answered from the run folder.
[[nodiscard]] constexpr bool isServed(RequestHost host)
{
    return host == RequestHost::Absent || host == RequestHost::Loopback;
}

// 127.0.0.1, localhost (any case) or [::1], each with or without ":" and a decimal port.
[[nodiscard]] bool isLoopbackHost(std::string_view value);

// Looks at the header lines between the request line and the first empty line (or the end of the
// text, for a head cut short). A header name is matched without regard to case; lines end
// in CR LF or in a bare LF.
[[nodiscard]] RequestHost requestHost(std::string_view requestText);

} // namespace inkwell
