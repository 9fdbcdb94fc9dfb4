#include "textio/results_file.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "textio/error_report.hpp"

namespace zemrath {

namespace {

// Read-only is decided from the mode bits, not from access(): a run as root
// could write the file anyway.
bool exists_read_only(const std::string& name) {
    struct stat info {};
    if (::stat(name.c_str(), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) return false;
    return (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
}

}  // namespace

void open_results_file(out_stream& stream, std::string_view name) {
    const std::string path(name);
    const bool read_only = exists_read_only(path);
    const int flags = (read_only ? O_RDONLY : O_RDWR | O_CREAT) | O_CLOEXEC;
    const int fd = ::open(path.c_str(), flags, 0666);
    if (fd < 0) {
        const int error = errno;
        note_failed_open(name);
        report_system_error(error);
    }
    stream = out_stream{};
    stream.fd = fd;
    stream.buffered = true;
    stream.read_only = read_only;
    stream.first_record = true;
    stream.number = results_file_unit;
    stream.file_name = path;
    stream.buffer.resize(stream_buffer_size);
    register_file_stream(&stream);
}

void cut_after_first_record(out_stream& stream) {
    stream_flush(stream);
    (void)::ftruncate(stream.fd, stream_offset(stream));
    stream.first_record = false;
}

void close_results_file(out_stream& stream) { close_file_stream(stream); }

}  // namespace zemrath
