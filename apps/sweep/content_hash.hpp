// The SHA-256 digest of some bytes, as 64 lowercase hexadecimal digits: what
// names an experiment in its kept points, and the checksum that every kept
// file carries of its own content.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zemrath::sweep {

inline constexpr std::size_t content_hash_length = 64;

std::string content_hash(std::string_view bytes);

// Whether text has the form of a content_hash.
bool looks_like_content_hash(std::string_view text);

}  // namespace zemrath::sweep
