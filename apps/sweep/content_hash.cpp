#include "sweep/content_hash.hpp"

#include <nettle/sha2.h>

#include <cstdint>

namespace zemrath::sweep {

std::string content_hash(std::string_view bytes) {
    sha256_ctx context;
    sha256_init(&context);
    sha256_update(&context, bytes.size(), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    std::uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&context, sizeof digest, digest);
    constexpr char digits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : digest) {
        text += digits[byte >> 4];
        text += digits[byte & 15];
    }
    return text;
}

bool looks_like_content_hash(std::string_view text) {
    return text.size() == content_hash_length &&
           text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

}  // namespace zemrath::sweep
