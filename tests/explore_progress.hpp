// Waiting, in the explorer's tests, for a computation to be under way.
#pragma once

#include <httplib.h>

#include <chrono>
#include <thread>

#include <nlohmann/json.hpp>

namespace zemrath::testing {

// Whether the explorer behind the client reported a computation running
// within a generous while (the progress it serves says "running": true).
inline bool wait_until_running(httplib::Client& client) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (std::chrono::steady_clock::now() < give_up) {
        const auto progress = client.Get("/api/progress");
        if (progress && nlohmann::json::parse(progress->body).at("running") == true) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

}  // namespace zemrath::testing
