#include "ensemble/answer_source.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "textio/number_entry.hpp"

namespace zemrath::ensemble {

namespace {

// The reader's message when the input ends before an answer.
constexpr std::string_view end_of_file_message = "End of file";

answer_outcome scan_answer(input_reader& in, const question& q, parameter_set& into) {
    if (q.real_field != nullptr) return scan_real_answer(in, into.*q.real_field);
    return scan_integer_answer(in, into.*q.integer_field);
}

// Closes the descriptor when the reader is done with it; not copied, so it
// is closed once.
struct descriptor {
    int fd = -1;
    explicit descriptor(int open_fd = -1) : fd(open_fd) {}
    descriptor(const descriptor&) = delete;
    descriptor& operator=(const descriptor&) = delete;
    ~descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// The text as an anonymous in-memory file, read from its start: the answer
// reader takes a file descriptor.
std::optional<std::string> open_text(std::string_view text, descriptor& file) {
    file.fd = ::memfd_create("answer", MFD_CLOEXEC);
    if (file.fd < 0) return std::string(std::strerror(errno));
    std::string bytes(text);
    bytes += '\n';
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(file.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::string(std::strerror(errno));
        done += static_cast<std::size_t>(n);
    }
    if (::lseek(file.fd, 0, SEEK_SET) != 0) return std::string(std::strerror(errno));
    return std::nullopt;
}

}  // namespace

std::optional<std::string> read_answers_file(const std::string& path, partial_parameters& into) {
    descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) return "cannot open answers file " + path + ": " + std::strerror(errno);
    input_reader in{};
    in.fd = file.fd;
    for (std::size_t i = 0; i < dialogue_questions.size(); ++i) {
        const question& q = dialogue_questions[i];
        const answer_outcome outcome = scan_answer(in, q, into.values);
        if (outcome.kind == answer_outcome::failure) {
            if (outcome.message == end_of_file_message) return std::nullopt;
            return path + ": answer " + std::to_string(i + 1) + " (" + std::string(q.field_name) +
                   "): " + outcome.message;
        }
        into.given[i] = true;
    }
    return std::nullopt;
}

std::optional<std::string> read_answer_text(std::string_view text, std::size_t index,
                                            partial_parameters& into) {
    descriptor file;
    if (auto error = open_text(text, file)) return error;
    input_reader in{};
    in.fd = file.fd;
    parameter_set values = into.values;
    const answer_outcome outcome = scan_answer(in, dialogue_questions[index], values);
    if (outcome.kind == answer_outcome::null_answer ||
        (outcome.kind == answer_outcome::failure && outcome.message == end_of_file_message))
        return std::string("no number given");
    if (outcome.kind == answer_outcome::failure) return outcome.message;
    into.values = values;
    into.given[index] = true;
    return std::nullopt;
}

}  // namespace zemrath::ensemble
