#include "explore/server.hpp"

#include <charconv>
#include <exception>
#include <new>
#include <stdexcept>
#include <string>

#include "explore/api_responses.hpp"
#include "explore/ensemble_query.hpp"
#include "explore/page_files.hpp"
#include "explore/page_parameters.hpp"
#include "explore/refusal.hpp"
#include "explore/request_guard.hpp"
#include "results/csv_tables.hpp"
#include "results/provenance.hpp"
#include "results/report_svg.hpp"

namespace zemrath::explore {

namespace {

constexpr const char* json_type = "application/json";
constexpr const char* csv_type = "text/csv; charset=utf-8";

// A long file is handed to the connection in pieces of about this size.
constexpr std::size_t piece_size = 1 << 16;

// The page may load only what the server serves, and nothing may frame it.
const httplib::Headers security_headers = {
    {"Content-Security-Policy",
     "default-src 'none'; script-src 'self'; style-src 'self'; connect-src 'self'; img-src 'self' data:; "
     "base-uri 'none'; form-action 'none'; frame-ancestors 'none'"},
    {"X-Content-Type-Options", "nosniff"},
    {"Referrer-Policy", "no-referrer"},
    {"Cache-Control", "no-store"},
};

void send_refusal(httplib::Response& response, const refusal& refused) {
    response.status = refused.status;
    response.set_content(error_json(refused.message, refused.field), json_type);
}

// An answer too large to copy: handed over as it is.
void send_text(httplib::Response& response, std::string text, const char* type) {
    response.body = std::move(text);
    response.set_header("Content-Type", type);
}

const refusal no_memory_for_answer{503, "not enough memory for the answer"};

// A view of the first such header, which lives as long as the request.
std::optional<std::string_view> header(const httplib::Request& request, const char* name) {
    const auto found = request.headers.find(name);
    if (found == request.headers.end()) return std::nullopt;
    return std::string_view(found->second);
}

request_facts facts_of(const httplib::Request& request) {
    return {request.method,
            request.target,
            request.path,
            header(request, "Host"),
            header(request, "Origin"),
            header(request, "Sec-Fetch-Site"),
            header(request, "Content-Length"),
            header(request, "Transfer-Encoding"),
            header(request, "Content-Type")};
}

// The connection ends after this answer: the request's body, or what is
// left of it, was not read, and is no request to answer next.
void end_after_answer(explorer& server, const httplib::Request& request, httplib::Response& response) {
    response.set_header("Connection", "close");
    close_after_answer(server.http.connections, request.remote_addr, request.remote_port);
}

std::string default_message(const httplib::Request& request, int status) {
    switch (status) {
        case 404: return "no such page: " + request.method + " " + request.path;
        case 413: return body_too_large().message;
        case 414: return "the request line is too long";
        default: return "the request was refused (HTTP " + std::to_string(status) + ")";
    }
}

query_fields fields_of(const httplib::Params& arguments) {
    return query_fields(arguments.begin(), arguments.end());
}

constexpr const char* result_field = "result";

// The result a file is asked for: the kept one that ?result=ID names, as
// it was computed, or that of the parameters and seeds of the query.
std::shared_ptr<const computed_ensemble> result_asked_for(computation_state& computations,
                                                          const httplib::Request& request) {
    if (!request.has_param(result_field)) return compute(computations, read_query(fields_of(request.params)));
    if (request.params.size() != 1)
        throw refusal{400, "result names a computed result: give it alone, without parameters or seeds", result_field};
    const std::string text = request.get_param_value(result_field);
    std::uint64_t id = 0;
    const auto [end, failure] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || failure != std::errc{} || end != text.data() + text.size())
        throw refusal{400, "result: '" + text + "' is not the id of a result", result_field};
    if (auto kept = kept_result(computations, id)) return kept;
    throw refusal{410,
                  "result " + text + " is no longer kept: newer computations took its place; ask for it again by its "
                  "parameters",
                  result_field};
}

void attach_file(httplib::Response& response, const char* name) {
    response.set_header("Content-Disposition", std::string("attachment; filename=\"") + name + "\"");
}

// Runs `body`, which answers the request, and answers instead with the
// refusal it throws, or 503 when the memory for the answer runs out.
template <typename Body>
void answer_with(httplib::Response& response, Body&& body) {
    try {
        body();
    } catch (const refusal& refused) {
        send_refusal(response, refused);
    } catch (const std::bad_alloc&) {
        send_refusal(response, no_memory_for_answer);
    } catch (const std::length_error&) {
        send_refusal(response, no_memory_for_answer);
    }
}

// The body of POST /api/ensemble or /api/cancel, taken as it arrives and held to
// max_body_length after any Content-Encoding is undone: a chunked or
// compressed body is refused as soon as it grows past the limit, never held
// whole first. A request that declares no body has none (the library would
// otherwise read until the client closes).
std::string read_body(explorer& server, const httplib::Request& request, httplib::Response& response,
                      const httplib::ContentReader& read) {
    std::string body;
    if (!declares_body(facts_of(request))) return body;
    bool too_long = false;
    const bool whole = read([&](const char* data, std::size_t length) {
        too_long = length > max_body_length - body.size();
        if (!too_long) body.append(data, length);
        return !too_long;
    });
    if (whole) return body;
    end_after_answer(server, request, response);
    if (too_long) throw body_too_large();
    throw refusal{400, "the request body could not be read whole"};
}

// The rows of every stream, written to the connection as they are formatted
// instead of being held whole; the writing stops when the connection does.
void send_runs_csv(httplib::Response& response, std::shared_ptr<const computed_ensemble> result) {
    struct connection_closed {};
    response.set_chunked_content_provider(csv_type, [result](std::size_t, httplib::DataSink& sink) {
        std::string piece;
        const auto pass_on = [&] {
            if (!sink.write(piece.data(), piece.size())) throw connection_closed{};
            piece.clear();
        };
        try {
            results::write_runs_csv(result->runs, [&](std::string_view text) {
                piece += text;
                if (piece.size() >= piece_size) pass_on();
            });
            pass_on();
        } catch (const connection_closed&) {
            return false;
        }
        sink.done();
        return true;
    });
}

// A second server started on a port in use must fail, not share the port
// with the first: the address may be taken again after an earlier server
// ended (SO_REUSEADDR), but not held by two at once, as the SO_REUSEPORT
// that the library sets by default would allow.
void reuse_address_only(socket_t socket) {
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
}

void install_guards(explorer& server) {
    httplib::Server& http = server.http;
    http.set_socket_options(reuse_address_only);
    http.set_default_headers(security_headers);
    http.set_payload_max_length(max_body_length);
    http.set_pre_routing_handler([&server](const httplib::Request& request, httplib::Response& response) {
        const request_facts facts = facts_of(request);
        const std::optional<refusal> refused = check_request(facts, server.address);
        if (!refused) return httplib::Server::HandlerResponse::Unhandled;
        send_refusal(response, *refused);
        if (declares_body(facts)) end_after_answer(server, request, response);
        return httplib::Server::HandlerResponse::Handled;
    });
    http.set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request& request, httplib::Response& response) {
            if (!response.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
            response.set_content(error_json(default_message(request, response.status)), json_type);
            return httplib::Server::HandlerResponse::Handled;
        }));
    http.set_exception_handler([](const httplib::Request&, httplib::Response& response, std::exception_ptr thrown) {
        std::string message = "internal error";
        try {
            std::rethrow_exception(thrown);
        } catch (const std::bad_alloc&) {
            return send_refusal(response, no_memory_for_answer);
        } catch (const std::length_error&) {
            return send_refusal(response, no_memory_for_answer);
        } catch (const std::exception& failure) {
            message += ": " + std::string(failure.what());
        } catch (...) {
        }
        response.status = 500;
        response.set_content(error_json(message), json_type);
    });
}

void install_page(explorer& server) {
    server.http.Get(R"(/|/[a-z_]+\.(js|css))", [](const httplib::Request& request, httplib::Response& response) {
        const std::optional<page_asset> asset = find_page_asset(request.path);
        if (!asset) {
            response.status = 404;  // the error handler words it
            return;
        }
        response.set_content(asset->bytes.data(), asset->bytes.size(), std::string(asset->content_type));
    });
}

void install_api(explorer& server) {
    httplib::Server& http = server.http;
    computation_state& computations = server.computations;
    http.Get("/api/parameters", [&server](const httplib::Request&, httplib::Response& response) {
        response.set_content(parameters_json(server.start), json_type);
    });
    http.Get("/api/progress", [&computations](const httplib::Request&, httplib::Response& response) {
        response.set_content(progress_json(current_progress(computations)), json_type);
    });
    http.Post(std::string(body_path), [&server](const httplib::Request& request, httplib::Response& response,
                                                const httplib::ContentReader& read) {
        answer_with(response, [&] {
            const std::string body = read_body(server, request, response, read);
            ensemble_query query;
            try {
                query = read_query(fields_from_json(body));
            } catch (const refusal&) {
                supersede_computations(server.computations);  // the page has moved on all the same
                throw;
            }
            send_text(response, ensemble_json(*compute(server.computations, query)), json_type);
        });
    });
    http.Post(std::string(cancel_path), [&server](const httplib::Request& request, httplib::Response& response,
                                                  const httplib::ContentReader& read) {
        answer_with(response, [&] {
            const std::string client = client_from_json(read_body(server, request, response, read));
            const bool cancelled = cancel_client(server.computations, client);
            response.set_content(cancelled ? R"({"cancelled": true})" : R"({"cancelled": false})", json_type);
        });
    });
    http.Get(R"(/api/summary\.csv)", [&computations](const httplib::Request& request, httplib::Response& response) {
        answer_with(response, [&] {
            const auto result = result_asked_for(computations, request);
            std::string text;
            results::write_summary_csv(result->analysis.summary, [&text](std::string_view piece) { text += piece; });
            attach_file(response, "summary.csv");
            send_text(response, std::move(text), csv_type);
        });
    });
    http.Get(R"(/api/runs\.csv)", [&computations](const httplib::Request& request, httplib::Response& response) {
        answer_with(response, [&] {
            const auto result = result_asked_for(computations, request);
            attach_file(response, "runs.csv");
            send_runs_csv(response, result);
        });
    });
    http.Get(R"(/api/report\.svg)", [&computations](const httplib::Request& request, httplib::Response& response) {
        answer_with(response, [&] {
            const auto result = result_asked_for(computations, request);
            attach_file(response, "report.svg");
            send_text(response, results::report_svg(result->runs, result->analysis, result->answers.values),
                      "image/svg+xml");
        });
    });
    http.Get(R"(/api/answers\.txt)", [&computations](const httplib::Request& request, httplib::Response& response) {
        answer_with(response, [&] {
            results::provenance run;
            run.answers = request.has_param(result_field) ? result_asked_for(computations, request)->answers.texts
                                                          : read_query(fields_of(request.params)).answers.texts;
            attach_file(response, "answers.txt");
            response.set_content(results::answers_file_text(run), "text/plain; charset=utf-8");
        });
    });
}

}  // namespace

void install_routes(explorer& server) {
    install_guards(server);
    install_page(server);
    install_api(server);
}

bool bind_explorer(explorer& server) {
    const int port = server.http.bind(server.address.host, server.address.port);
    if (port < 0) return false;
    server.address.port = port;
    return true;
}

bool serve_explorer(explorer& server) { return server.http.listen_after_bind(); }

void stop_explorer(explorer& server) {
    stop_computations(server.computations);
    server.http.stop_serving();
}

}  // namespace zemrath::explore
