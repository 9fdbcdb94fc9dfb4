// The ten answers read from elsewhere than the dialogue: a file, or one
// answer's text.
#include <algorithm>

#include "zemrath/answer_reader.hpp"
#include "zemrath/input_file.hpp"

namespace zemrath {

bool partial_answers::complete() const {
    return std::all_of(given.begin(), given.end(), [](bool g) { return g; });
}

namespace {

partial_answers read_answers(input_reader& in, std::string_view name) {
    partial_answers answers;
    for (std::size_t i = 0; i < answer_fields.size(); ++i) {
        try {
            scan_answer_field(in, answer_fields[i], answers.values);
        } catch (const error& failure) {
            if (failure.code() == error_code::end_of_input) break;
            throw error(failure.code(),
                        std::string(name) + ": answer " + std::to_string(i + 1) + " (" +
                            std::string(answer_fields[i].name) + "): " + failure.what(),
                        std::string(answer_fields[i].name));
        }
        answers.given[i] = true;
        answers.texts[i] = in.line;
    }
    return answers;
}

}  // namespace

partial_answers read_answers_file(const std::string& path) {
    return read_answers_text(read_input_file(path, answers_file_kind), path);
}

partial_answers read_answers_text(std::string_view text, std::string_view name) {
    input_reader in = reader_over_text(text);
    return read_answers(in, name);
}

void read_answer_text(std::string_view text, std::size_t index, partial_answers& into) {
    // A typed answer ends with Return.
    input_reader in = reader_over_text(std::string(text) + '\n');
    parameter_set values = into.values;
    answer_kind kind = answer_kind::null_answer;
    const std::string subject(answer_fields.at(index).name);
    try {
        kind = scan_answer_field(in, answer_fields[index], values);
    } catch (const error& failure) {
        if (failure.code() != error_code::end_of_input) throw error(failure.code(), failure.what(), subject);
    }
    if (kind == answer_kind::null_answer) throw error(error_code::bad_answer, "no number given", subject);
    into.values = values;
    into.given[index] = true;
    into.texts[index] = text.substr(0, text.find('\n'));  // the line the reader saw
}

}  // namespace zemrath
