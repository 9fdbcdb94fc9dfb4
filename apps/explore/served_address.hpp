// The address the explorer listens on, and how a browser reaches it.
#pragma once

#include <string>
#include <string_view>

namespace zemrath::explore {

struct served_address {
    std::string host;  // as given to --host: a name or an IPv4 or IPv6 address
    int port = 0;
};

// Whether the host is only reachable from this machine: localhost, 127.x.y.z
// or ::1.
bool is_loopback(std::string_view host);

// Whether the host stands for every interface of the machine: 0.0.0.0 or ::.
bool is_wildcard(std::string_view host);

// Whether the text is an IPv4 address or an IPv6 address (without brackets).
bool is_ip_literal(std::string_view host);

// The host as a URL and a Host header write it: IPv6 addresses in brackets.
std::string url_host(std::string_view host);

// The page's address for a browser on this machine: for a wildcard host,
// the loopback address of the same family.
std::string page_url(const served_address& address);

}  // namespace zemrath::explore
