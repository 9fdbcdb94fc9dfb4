// Which requests the explorer takes at all, looked at before any of them is
// read further.
//
// A page elsewhere on the web can make a browser send requests to a server
// on the loopback address, either directly or through a name of its own
// that it later points at 127.0.0.1 (DNS rebinding). So the Host header must
// name the address served, an API call must come from the explorer's own
// page (by its Origin and Sec-Fetch-Site headers, when the browser sends
// them), and the query must stay short.
//
// Every decision about the path is made on the path as the router matches
// it: decoded from the request target once, by the HTTP library, so that
// "/%61pi/ensemble" is an API call here exactly when it is one there. A path
// the router would not serve as written (a doubled slash, a "." or ".."
// segment) names no page.
//
// Only POST /api/ensemble and POST /api/cancel read a body, of at most
// max_body_length bytes after any Content-Encoding is undone. Every other
// request that declares one is refused without reading it, and so is a
// body whose length cannot be trusted: the connection then ends after the
// answer, since the unread body would otherwise be taken for the next
// request.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "explore/refusal.hpp"
#include "explore/served_address.hpp"

namespace zemrath::explore {

inline constexpr std::size_t max_query_length = 4096;     // bytes after the '?'
inline constexpr std::size_t max_body_length = 64 * 1024;

// The routes that read a body.
inline constexpr std::string_view body_method = "POST";
inline constexpr std::string_view body_path = "/api/ensemble";
inline constexpr std::string_view cancel_path = "/api/cancel";

// What the guard looks at; a header the request lacks is nullopt.
struct request_facts {
    std::string_view method;
    std::string_view target;  // the path and query as sent: for the query's length
    std::string_view path;    // the path as the router matches it, decoded from the target
    std::optional<std::string_view> host;
    std::optional<std::string_view> origin;
    std::optional<std::string_view> fetch_site;  // Sec-Fetch-Site
    std::optional<std::string_view> content_length;
    std::optional<std::string_view> transfer_encoding;
    std::optional<std::string_view> content_type;
};

// The Host names accepted: the host served, and for a loopback or wildcard
// host also the loopback names; for a wildcard host any address literal,
// which no rebinding can stand for. The port must be the one served.
bool host_names_server(std::string_view host_header, const served_address& address);

// Whether the request says a body follows: a Transfer-Encoding, or a
// Content-Length other than 0.
bool declares_body(const request_facts& request);

// The refusal of a body longer than max_body_length: 413.
refusal body_too_large();

// Nothing when the request may go on; otherwise why not: 400 for a missing
// or malformed Host header, 403 for a foreign Host or a cross-origin API
// call, 414 for a long query, 404 for a path not in plain form or a method
// that would send a body anywhere but the routes that read one, 400 for a body on
// any other request or one whose framing is not plain (a Transfer-Encoding
// other than chunked, a Content-Length that is not a number, both at once, a
// multipart form), 413 for a Content-Length over max_body_length.
std::optional<refusal> check_request(const request_facts& request, const served_address& address);

}  // namespace zemrath::explore
