// The page's own files (HTML, script, style sheet), compiled into the
// program from explore/page/ so that it serves them without reading
// anything from disk and works without any network.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace zemrath::explore {

struct embedded_file {
    std::string_view name;  // "index.html", "app.js", ...
    std::string_view bytes;
};

// Every file of explore/page/, as it was at build time (a generated source).
std::span<const embedded_file> page_files();

struct page_asset {
    std::string_view bytes;
    std::string_view content_type;
};

// The file served at a path: "/" is index.html, "/app.js" is app.js; none
// for any other path.
std::optional<page_asset> find_page_asset(std::string_view path);

}  // namespace zemrath::explore
