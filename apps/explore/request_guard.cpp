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

// "/" or "/name/name...": no empty, "." or ".." segment.
bool is_plain_path(std::string_view path) {
    if (path == "/") return true;
    if (!path.starts_with('/')) return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('/', start), path.size());
        const std::string_view segment = path.substr(start, end - start);
        if (segment.empty() || segment == "." || segment == "..") return false;
        start = end + 1;
    }
    return true;
}

bool is_api_path(std::string_view path) { return path.starts_with("/api/"); }

// The methods after whose head the HTTP library goes on to read a body,
// whether or not one is declared.
bool method_reads_body(std::string_view method) {
    return method == "POST" || method == "PUT" || method == "PATCH" || method == "DELETE" || method == "PRI";
}

bool is_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

// Digits that count more bytes than a body may have.
bool exceeds_body_limit(std::string_view digits) {
    std::size_t length = 0;
    const auto [end, failure] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    return failure == std::errc::result_out_of_range || length > max_body_length;
}

std::string page_of(const request_facts& request) {
    return std::string(request.method) + " " + std::string(request.path);
}

std::optional<refusal> check_origin(const request_facts& request) {
    if (request.origin && lower_case(*request.origin) != "http://" + lower_case(*request.host))
        return refusal{403, "cross-origin request from '" + std::string(*request.origin) +
                                "' refused: the API answers only its own page"};
    if (request.fetch_site && *request.fetch_site != "same-origin" && *request.fetch_site != "none")
        return refusal{403, "request from another site (Sec-Fetch-Site: " + std::string(*request.fetch_site) +
                                ") refused: the API answers only its own page"};
    return std::nullopt;
}

// The framing of a body the explorer reads: whole with a length the
// limit allows, or chunked (and then held to the limit as it is read).
std::optional<refusal> check_body_framing(const request_facts& request) {
    if (request.transfer_encoding && request.content_length)
        return refusal{400, "the request has both a Content-Length and a Transfer-Encoding"};
    if (request.transfer_encoding && lower_case(*request.transfer_encoding) != "chunked")
        return refusal{400, "Transfer-Encoding '" + std::string(*request.transfer_encoding) +
                                "' is not taken: a body is sent with its length or chunked"};
    if (request.content_length && !is_digits(*request.content_length))
        return refusal{400, "Content-Length '" + std::string(*request.content_length) + "' is not a number of bytes"};
    if (request.content_length && exceeds_body_limit(*request.content_length)) return body_too_large();
    if (request.content_type && lower_case(*request.content_type).starts_with("multipart/"))
        return refusal{400, "the body must be JSON, not a multipart form"};
    return std::nullopt;
}

std::optional<refusal> check_body(const request_facts& request) {
    const bool body_route = request.method == body_method && (request.path == body_path || request.path == cancel_path);
    if (body_route) return check_body_framing(request);
    if (method_reads_body(request.method)) return refusal{404, "no such page: " + page_of(request)};
    if (declares_body(request)) return refusal{400, page_of(request) + " takes no body"};
    return std::nullopt;
}

}  // namespace

refusal body_too_large() {
    return refusal{413, "the request body is larger than " + std::to_string(max_body_length / 1024) + " KiB"};
}

bool host_names_server(std::string_view host_header, const served_address& address) {
    const std::optional<parsed_host> parsed = parse_host(host_header);
    return parsed && parsed->port == address.port && names_served_host(parsed->name, address);
}

bool declares_body(const request_facts& request) {
    return request.transfer_encoding || (request.content_length && *request.content_length != "0");
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
    if (!is_plain_path(request.path)) return refusal{404, "no such page: " + page_of(request)};
    if (is_api_path(request.path))
        if (std::optional<refusal> refused = check_origin(request)) return refused;
    return check_body(request);
}

}  // namespace zemrath::explore
