// The explorer's HTTP server: the page, and the API that the page and
// scripts use.
//
//   GET  /                   the page (and its /app.js and /style.css)
//   GET  /api/parameters     the ten parameters with their starting values
//   POST /api/ensemble       {"parameters": {...}, "seeds": "..."}: the summary
//   GET  /api/progress       the streams done of the running computation
//   GET  /api/summary.csv, /api/runs.csv, /api/report.svg, /api/answers.txt
//                            with the parameters and seeds as query arguments:
//                            the files zemrath-ensemble writes for them; or
//                            with ?result=ID alone: those of a kept result
//   POST /api/cancel         {"client": "..."}: stops that client's computation
//                            (a page that closes sends it)
//
// Every answer to a request that is refused is {"error": "..."} with a 4xx
// or 5xx status.
#pragma once

#include "explore/computation.hpp"
#include "explore/http_server.hpp"
#include "explore/served_address.hpp"
#include "zemrath/answer_reader.hpp"

namespace zemrath::explore {

struct explorer {
    served_address address;  // port 0 until bound, when it asks for any free port
    partial_answers start;   // the page's starting values, every one given
    computation_state computations;
    http_server http;
};

// Sets up the routes, the guards and the limits.
void install_routes(explorer& server);

// Binds the listening socket (to a free port when address.port is 0, which
// then becomes that port). False when the address cannot be had.
bool bind_explorer(explorer& server);

// Serves until stop_explorer; false when it could not serve at all.
bool serve_explorer(explorer& server);

// Stops the running computation (at the next generation of its streams),
// stops accepting connections and ends those waiting on their clients; from
// any thread, also before serve_explorer. A request at work on its answer
// finishes it.
void stop_explorer(explorer& server);

}  // namespace zemrath::explore
