#include "explore/page_files.hpp"

#include <array>

namespace zemrath::explore {

namespace {

struct file_type {
    std::string_view extension;
    std::string_view content_type;
};

constexpr std::array<file_type, 3> file_types = {{
    {".html", "text/html; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
}};

}  // namespace

std::optional<page_asset> find_page_asset(std::string_view path) {
    if (!path.starts_with('/')) return std::nullopt;
    const std::string_view name = path == "/" ? std::string_view("index.html") : path.substr(1);
    for (const embedded_file& file : page_files()) {
        if (file.name != name) continue;
        for (const file_type& type : file_types)
            if (name.ends_with(type.extension)) return page_asset{file.bytes, type.content_type};
    }
    return std::nullopt;
}

}  // namespace zemrath::explore
