#include "textio/record.hpp"

#include <charconv>

#include "textio/results_file.hpp"

namespace zemrath {

namespace {

constexpr std::size_t initial_record_capacity = 2000;

void put_item_lead(record& rec, bool is_text) {
    if (!rec.has_item || !(is_text && rec.last_was_text)) rec.bytes.push_back(' ');
    rec.has_item = true;
    rec.last_was_text = is_text;
}

}  // namespace

record record_begin(out_stream& stream) {
    record rec;
    rec.stream = &stream;
    rec.bytes.reserve(initial_record_capacity);
    return rec;
}

void record_add_text(record& rec, std::string_view text) {
    put_item_lead(rec, true);
    rec.bytes.append(text);
}

void record_add_integer(record& rec, std::int32_t value) {
    put_item_lead(rec, false);
    char digits[12];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    rec.bytes.append(digits, result.ptr);
}

void record_end(record& rec) {
    stream_put(*rec.stream, rec.bytes);
    stream_put(*rec.stream, record_line_end);
    if (rec.stream->first_record) cut_after_first_record(*rec.stream);
    rec.bytes.clear();
    rec.has_item = false;
    rec.last_was_text = false;
}

void write_text_record(out_stream& stream, std::string_view text) {
    record rec = record_begin(stream);
    record_add_text(rec, text);
    record_end(rec);
}

}  // namespace zemrath
