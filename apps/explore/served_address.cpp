#include "explore/served_address.hpp"

#include <arpa/inet.h>

namespace zemrath::explore {

namespace {

bool is_ipv6(std::string_view host) {
    const std::string text(host);
    in6_addr address{};
    return ::inet_pton(AF_INET6, text.c_str(), &address) == 1;
}

bool is_ipv4(std::string_view host) {
    const std::string text(host);
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

}  // namespace

bool is_loopback(std::string_view host) {
    return host == "localhost" || host == "::1" || (is_ipv4(host) && host.starts_with("127."));
}

bool is_wildcard(std::string_view host) { return host == "0.0.0.0" || host == "::"; }

bool is_ip_literal(std::string_view host) { return is_ipv4(host) || is_ipv6(host); }

std::string url_host(std::string_view host) {
    if (!is_ipv6(host)) return std::string(host);
    std::string bracketed = "[";  // built piece by piece: GCC 12 warns (-Wrestrict) about "[" + std::string
    bracketed += host;
    return bracketed + "]";
}

std::string page_url(const served_address& address) {
    std::string host = address.host;
    if (host == "0.0.0.0") host = "127.0.0.1";
    if (host == "::") host = "::1";
    return "http://" + url_host(host) + ":" + std::to_string(address.port) + "/";
}

}  // namespace zemrath::explore
