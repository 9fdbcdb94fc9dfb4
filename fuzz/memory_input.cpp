#include "fuzz/memory_input.hpp"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

namespace zemrath::fuzz {

memory_input::memory_input(const std::uint8_t* bytes, std::size_t size) {
    const int fd = ::memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd < 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd, bytes + done, size - done);
        if (n <= 0) std::abort();
        done += static_cast<std::size_t>(n);
    }
    if (::lseek(fd, 0, SEEK_SET) != 0) std::abort();
    reader.fd = fd;
}

memory_input::~memory_input() { ::close(reader.fd); }

}  // namespace zemrath::fuzz
