// The bytes of records, the moments they reach the system, and the results
// file's buffering.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>
#include <vector>

#include "program_runner.hpp"
#include "textio/out_stream.hpp"
#include "textio/record.hpp"
#include "textio/results_file.hpp"

namespace zemrath {
namespace {

using item = std::variant<std::string, std::int32_t>;

// A console stream over a socket that keeps message boundaries, so every
// system write can be seen on its own.
struct message_capture {
    int sockets[2] = {-1, -1};
    out_stream stream;

    message_capture() {
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET, 0, sockets), 0);
        stream.fd = sockets[0];
        stream.number = 6;
    }
    ~message_capture() {
        ::close(sockets[0]);
        ::close(sockets[1]);
    }
    message_capture(const message_capture&) = delete;
    message_capture& operator=(const message_capture&) = delete;

    // Every write received so far, one string each.
    std::vector<std::string> writes() {
        std::vector<std::string> out;
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t n = ::recv(sockets[1], buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n < 0) break;
            out.emplace_back(buffer.data(), static_cast<std::size_t>(n));
        }
        return out;
    }
};

// The record lead before some text.
std::string lead(const std::string& text) {
    std::string bytes = " ";
    bytes += text;
    return bytes;
}

void write_record(out_stream& stream, const std::vector<item>& items) {
    record rec = record_begin(stream);
    for (const item& it : items) {
        if (const auto* text = std::get_if<std::string>(&it))
            record_add_text(rec, *text);
        else
            record_add_integer(rec, std::get<std::int32_t>(it));
    }
    record_end(rec);
}

TEST(Record, BytesOfEachShape) {
    const std::string high_bytes = "\xE9\x01\x7F\xFF";
    const struct {
        const char* what;
        std::vector<item> items;
        std::string bytes;
    } cases[] = {
        {"closing line", {std::string("This simulation ran successfully")},
         " This simulation ran successfully"},
        {"dash line", {std::string(45, '-')}, lead(std::string(45, '-'))},
        {"prompt with its own blank", {std::string(" Maximal reproduction age (integer number):")},
         "  Maximal reproduction age (integer number):"},
        {"row 0", {0, 0, 0, 20}, " 0 0 0 20"},
        {"row 7", {7, 12345, 678, 90}, " 7 12345 678 90"},
        {"negative counts", {-1, 0, 5, -20}, " -1 0 5 -20"},
        {"extreme counts", {INT_MIN, INT_MAX}, " -2147483648 2147483647"},
        {"empty text alone", {std::string()}, " "},
        {"two texts joined", {std::string("ab"), std::string("cd")}, " abcd"},
        {"text then integer", {std::string("x"), 5}, " x 5"},
        {"integer then text", {5, std::string("x")}, " 5 x"},
        {"bytes taken as they are", {high_bytes}, lead(high_bytes)},
        {"300 bytes on one line", {std::string(300, 'a')}, lead(std::string(300, 'a'))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        message_capture capture;
        write_record(capture.stream, c.items);
        // The record's bytes, then its line end: two writes, before record_end returns.
        EXPECT_EQ(capture.writes(), (std::vector<std::string>{c.bytes, "\r\n"}));
    }
}

TEST(Record, EndedWithNoItemIsALineEndAlone) {
    message_capture capture;
    write_record(capture.stream, {});
    EXPECT_EQ(capture.writes(), (std::vector<std::string>{"\r\n"}));
}

TEST(Record, ALineLongerThanTheBufferIsNotBroken) {
    message_capture capture;
    const std::string text(40000, 'z');
    write_record(capture.stream, {text});
    EXPECT_EQ(capture.writes(), (std::vector<std::string>{lead(text), "\r\n"}));
}

TEST(ConsoleStream, FailedWriteKeepsItsBytesForTheNextPiece) {
    message_capture capture;
    // Point the stream's descriptor at something that refuses writes, then
    // give it back its socket: the waiting bytes go out first, in order.
    const int saved = ::dup(capture.sockets[0]);
    const int read_only = ::open("/dev/null", O_RDONLY);
    ::dup2(read_only, capture.sockets[0]);
    write_record(capture.stream, {std::string("first")});
    EXPECT_EQ(capture.stream.fill, 8u);
    ::dup2(saved, capture.sockets[0]);
    write_record(capture.stream, {std::string("second")});
    const std::vector<std::string> writes = capture.writes();
    std::string joined;
    for (const auto& w : writes) joined += w;
    EXPECT_EQ(joined, " first\r\n second\r\n");
    EXPECT_EQ(capture.stream.fill, 0u);
    ::close(saved);
    ::close(read_only);
}

TEST(ConsoleStreamDeathTest, WaitingBytesBeyondTheBufferEndTheRun) {
    EXPECT_EXIT(
        {
            out_stream stream;
            stream.fd = ::open("/dev/null", O_RDONLY);
            for (int i = 0; i < 2000; ++i) write_record(stream, {std::string(20, 'q')});
        },
        ::testing::ExitedWithCode(2), "Quendor runtime error: Bad file descriptor");
}

class ResultsFile : public ::testing::Test {
protected:
    void SetUp() override { path = testing::make_scratch_directory() / "output.txt"; }

    std::string contents() const { return testing::read_file(path); }

    std::filesystem::path path;
};

TEST_F(ResultsFile, CutAfterTheFirstLineThenWholeBuffers) {
    // An earlier, longer file: none of it may be readable once line 1 is out.
    std::ofstream(path) << std::string(100000, 'x');
    out_stream file;
    open_results_file(file, path.string());

    std::string expected;
    auto add = [&](const std::vector<item>& items, const std::string& bytes) {
        write_record(file, items);
        expected += bytes;
    };
    add({std::string(results_header[0])}, " This file is organized as following:\r\n");
    EXPECT_EQ(contents(), expected);

    bool crossed = false;
    for (std::int32_t g = 0; g < 5000; ++g) {
        add({g, g * 3, -g, 20}, lead(std::to_string(g)) + lead(std::to_string(g * 3)) +
                                   lead(std::to_string(-g)) + " 20\r\n");
        const std::string seen = contents();
        // A reader sees a prefix of the final file, never more than one
        // buffer behind, and only line 1 until the first buffer fills.
        ASSERT_EQ(seen, expected.substr(0, seen.size()));
        ASSERT_LE(expected.size() - seen.size(), stream_buffer_size);
        if (seen.size() > 39) crossed = true;
        if (!crossed) {
            ASSERT_EQ(seen.size(), 39u);
        }
    }
    close_results_file(file);
    EXPECT_EQ(contents(), expected);
    EXPECT_GT(expected.size(), 4 * stream_buffer_size);
}

TEST_F(ResultsFile, ByteExactExampleWithTwoGenerations) {
    out_stream file;
    open_results_file(file, path.string());
    for (std::string_view text : results_header) write_record(file, {std::string(text)});
    write_record(file, {0, 0, 0, 20});
    write_record(file, {1, 5120, 466, 17});
    write_record(file, {2, 4473, 402, 21});
    close_results_file(file);

    const std::string bytes = contents();
    ASSERT_EQ(bytes.size(), 289u);
    const struct {
        std::size_t offset;
        std::string line;
    } lines[] = {
        {0, " This file is organized as following:"},
        {39, " --First column: generation time"},
        {73, " --Second column: Number of embryos generated by adult"},
        {129, " --Third column: Number of individuals that goes into phase B(before mortality)"},
        {210, " --Fourth column: Number of adults"},
        {246, " 0 0 0 20"},
        {257, " 1 5120 466 17"},
        {273, " 2 4473 402 21"},
    };
    for (const auto& l : lines) EXPECT_EQ(bytes.substr(l.offset, l.line.size() + 2), l.line + "\r\n");
}

TEST_F(ResultsFile, APieceLongerThanTheBufferIsWrittenAtOnce) {
    out_stream file;
    open_results_file(file, path.string());
    write_record(file, {std::string("head")});
    const std::string big(20000, 'b');
    write_record(file, {big});
    EXPECT_EQ(contents(), " head\r\n" + lead(big));  // its CR LF still waits in the buffer
    close_results_file(file);
    EXPECT_EQ(contents(), " head\r\n" + lead(big) + "\r\n");
}

}  // namespace
}  // namespace zemrath
