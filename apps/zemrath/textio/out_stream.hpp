// Output streams: the console streams (unbuffered) and the results file
// (buffered in 16384 bytes).
//
// Bytes handed to a stream are "waiting" until a system write has taken them.
// A console stream hands every piece to the system at once; a failing console
// write is not reported and its bytes stay waiting for the next piece.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zemrath {

inline constexpr std::size_t stream_buffer_size = 16384;

struct out_stream {
    int fd = -1;
    bool buffered = false;
    bool read_only = false;      // a file opened for reading only: the first write fails
    bool first_record = false;   // a file not yet cut after its first record
    std::int32_t number = 0;     // unit number quoted by error reports, 0 for none
    std::string file_name;       // empty for the console streams
    std::vector<char> buffer;    // capacity stream_buffer_size
    std::size_t fill = 0;        // bytes of buffer in use
    std::size_t written = 0;     // bytes of buffer already taken by the system
    std::int64_t buffer_offset = 0;  // file offset of buffer[0]
};

// Makes sure descriptors 0, 1 and 2 are open (on /dev/null where one is
// closed), so that a file the program opens later can never take the place
// of a standard stream and receive console bytes.
void attach_console_streams();

// Standard output (unit 6) and standard error, unbuffered.
out_stream& console_out();
out_stream& message_out();

// Hands one piece to the stream. Unbuffered: written at once (a console write
// failure keeps the bytes waiting; only a piece that no longer fits behind
// 16384 waiting bytes ends the run). Buffered: copied into the buffer; the
// waiting bytes are written first when the piece would run past its end, and
// a piece longer than the buffer is written at once. A failing file write ends
// the run with the system's text; a read-only file ends it with
// "Cannot write to file opened for READ".
void stream_put(out_stream& stream, std::string_view piece);

// Hands the waiting bytes to the system. Returns false (bytes kept) on failure.
bool stream_flush(out_stream& stream);

// File offset just past the last byte handed to the stream.
std::int64_t stream_offset(const out_stream& stream);

// Registers the one open file stream so that close_streams and the error
// reports can write it out; nullptr unregisters it.
void register_file_stream(out_stream* stream);

// Hands every stream's waiting bytes to the system and closes the open file;
// the console handles stay open. Failures here are not reported.
void close_streams();

// Writes the bytes of the results file's stream out and closes its handle;
// failures are not reported.
void close_file_stream(out_stream& stream);

}  // namespace zemrath
