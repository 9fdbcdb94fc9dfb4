#include "explore/request_guard.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string>

namespace zemrath::explore {

namespace {

std::string lower_case(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lowered;
}

struct parsed_host {
    std::string name;  // lower case, IPv6 without brackets
    int port = 80;
};

std::optional<int> port_number(std::string_view digits) {
    int port = 0;
    const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), port);
    if (digits.empty() || failure != std::errc{} || end != digits.data() + digits.size() || port < 1 || port > 65535)
        return std::nullopt;
    return port;
}

// "name", "name:port", "[v6]" or "[v6]:port".
std::optional<parsed_host> parse_host(std::string_view text) {
    parsed_host parsed;
    std::string_view rest;
    if (text.starts_with('[')) {
        const std::size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        parsed.name = lower_case(text.substr(1, close - 1));
        rest = text.substr(close + 1);
    } else {
        const std::size_t colon = text.find(':');
        parsed.name = lower_case(text.substr(0, colon));
        if (colon != std::string_view::npos) rest = text.substr(colon);
    }
    if (parsed.name.empty()) return std::nullopt;
    if (rest.empty()) return parsed;
    if (!rest.starts_with(':')) return std::nullopt;
    const std::optional<int> port = port_number(rest.substr(1));
    if (!port) return std::nullopt;
    parsed.port = *port;
    return parsed;
}

bool names_served_host(const std::string& name, const served_address& address) {
    if (name == lower_case(address.host)) return true;
    const bool local_names = is_loopback(address.host) || is_wildcard(address.host);
    if (local_names && is_loopback(name)) return true;
    return is_wildcard(address.host) && is_ip_literal(name);
}

std::string_view query_of(std::string_view target) {
    const std::size_t mark = target.find('?');
    return mark == std::string_view::npos ? std::string_view{} : target.substr(mark + 1);
}

}  // namespace

bool host_names_server(std::string_view host_header, const served_address& address) {
    const std::optional<parsed_host> parsed = parse_host(host_header);
    return parsed && parsed->port == address.port && names_served_host(parsed->name, address);
}

std::optional<refusal> check_request(const request_facts& request, const served_address& address) {
    if (!request.host || !parse_host(*request.host))
        return refusal{400, "the request has no valid Host header"};
    const std::string served = url_host(address.host) + ":" + std::to_string(address.port);
    if (!host_names_server(*request.host, address))
        return refusal{403, "Host '" + std::string(*request.host) + "' is not the address this server serves (" +
                                served + ")"};
    if (query_of(request.target).size() > max_query_length)
        return refusal{414, "the query is longer than " + std::to_string(max_query_length) + " bytes"};
    if (!request.target.starts_with("/api/")) return std::nullopt;
    if (request.origin && lower_case(*request.origin) != "http://" + lower_case(*request.host))
        return refusal{403, "cross-origin request from '" + std::string(*request.origin) +
                                "' refused: the API answers only its own page"};
    if (request.fetch_site && *request.fetch_site != "same-origin" && *request.fetch_site != "none")
        return refusal{403, "request from another site (Sec-Fetch-Site: " + std::string(*request.fetch_site) +
                                ") refused: the API answers only its own page"};
    return std::nullopt;
}

}  // namespace zemrath::explore
