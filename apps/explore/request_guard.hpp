// Which requests the explorer takes at all, looked at before any of them is
// read further.
//
// A page elsewhere on the web can make a browser send requests to a server
// on the loopback address, either directly or through a name of its own
// that it later points at 127.0.0.1 (DNS rebinding). So the Host header must
// name the address served, an API call must come from the explorer's own
// page (by its Origin and Sec-Fetch-Site headers, when the browser sends
// them), and the query must stay short.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "explore/refusal.hpp"
#include "explore/served_address.hpp"

namespace zemrath::explore {

inline constexpr std::size_t max_query_length = 4096;     // bytes after the '?'
inline constexpr std::size_t max_body_length = 64 * 1024;

// What the guard looks at; a header the request lacks is nullopt.
struct request_facts {
    std::string_view target;  // the path and query as sent
    std::optional<std::string_view> host;
    std::optional<std::string_view> origin;
    std::optional<std::string_view> fetch_site;  // Sec-Fetch-Site
};

// The Host names accepted: the host served, and for a loopback or wildcard
// host also the loopback names; for a wildcard host any address literal,
// which no rebinding can stand for. The port must be the one served.
bool host_names_server(std::string_view host_header, const served_address& address);

// Nothing when the request may go on; otherwise why not: 400 for a missing
// or malformed Host header, 403 for a foreign Host or a cross-origin API
// call, 414 for a long query.
std::optional<refusal> check_request(const request_facts& request, const served_address& address);

}  // namespace zemrath::explore
