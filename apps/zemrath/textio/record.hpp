// Records: one line of output built from text and integer items.
//
// Every record that holds an item begins with one blank; items are separated
// by one blank, except that a text item directly after a text item is joined
// to it; integers take their shortest decimal form. The record goes to its
// stream whole at record_end, as two pieces: its bytes, then CR LF.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "textio/out_stream.hpp"

namespace zemrath {

inline constexpr std::string_view record_line_end = "\r\n";

struct record {
    out_stream* stream = nullptr;
    std::string bytes;
    bool has_item = false;
    bool last_was_text = false;
};

record record_begin(out_stream& stream);
void record_add_text(record& rec, std::string_view text);
void record_add_integer(record& rec, std::int32_t value);

// Hands the record's bytes and then CR LF to its stream; on a results file
// not yet cut, the cut follows (see results_file.hpp).
void record_end(record& rec);

// Writes one record holding a single text item.
void write_text_record(out_stream& stream, std::string_view text);

}  // namespace zemrath
