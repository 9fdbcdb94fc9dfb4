#include "fuzz_harness.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "run/population.hpp"
#include "model/fecundity.hpp"
#include "textio/record.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/stream.hpp"

namespace zemrath::fuzz {

namespace {

// The only failures an in-memory input can give: the reader's own messages.
constexpr std::array<std::string_view, 9> reader_messages = {
    "Bad integer for item 1 in list input",
    "Integer overflow while reading item 1",
    "Bad real number in item 1 of list input",
    "Bad infinity in item 1 of list input",
    "Bad not-a-number in item 1 of list input",
    "Repeat count overflow in item 1 of list input",
    "Zero repeat count in item 1 of list input",
    "End of file",
    "Reading more data than the record size (RECL)",
};

void require(bool condition) {
    if (!condition) std::abort();
}

// Aborts unless the failure is one of the reader's own, with a code that
// fits its message.
void check_failure(const error& failure) {
    const std::string_view message = failure.what();
    require(std::find(reader_messages.begin(), reader_messages.end(), message) != reader_messages.end());
    const error_code expected = message == "End of file" ? error_code::end_of_input
                                : message.starts_with("Reading more") ? error_code::read_failed
                                                                       : error_code::bad_answer;
    require(failure.code() == expected);
}

// Reads one answer; false when it fails.
template <typename Read>
bool read_succeeds(Read read) {
    try {
        read();
        return true;
    } catch (const error& failure) {
        check_failure(failure);
        return false;
    }
}

bool read_answer(input_reader& in, const answer_field& field, parameter_set& answers) {
    if (field.real != nullptr) return read_succeeds([&] { scan_real_answer(in, answers.*field.real); });
    const std::int32_t before = answers.*field.integer;
    answer_kind kind = answer_kind::value;
    if (!read_succeeds([&] { kind = scan_integer_answer(in, answers.*field.integer); })) return false;
    const std::int32_t after = answers.*field.integer;
    // The integer syntax cannot reach -2147483648, and a null answer keeps the field.
    require(after != std::numeric_limits<std::int32_t>::min());
    if (kind == answer_kind::null_answer) require(after == before);
    return true;
}

// A row's record must read back as the same four integers.
void check_row_record(const generation_row& row) {
    out_stream unused;
    record rec = record_begin(unused);
    const std::array<std::int32_t, 4> values = {row.generation, row.embryos, row.larvae, row.adults};
    for (std::int32_t v : values) record_add_integer(rec, v);
    std::size_t at = 0;
    for (std::int32_t v : values) {
        require(rec.bytes[at] == ' ');
        const std::size_t end = rec.bytes.find(' ', at + 1);
        require(rec.bytes.substr(at + 1, end - at - 1) == std::to_string(v));
        at = end;
    }
}

// The largest egg count of any class, by magnitude, ignoring the sentinel
// (whose products wrap to 0 or -2147483648 and so add no draws).
std::int64_t largest_egg_count(const model_parameters& parameters) {
    const adult_parameters adult = adult_parameters_of(parameters);
    const fecundity_constants constants = compute_fecundity_constants(adult.growth);
    std::int64_t largest = 0;
    for (std::int32_t i = 1; i <= parameters.max_reproduction_age; ++i) {
        const std::int32_t eggs = eggs_at_age(adult.growth, constants, i);
        if (eggs != std::numeric_limits<std::int32_t>::min())
            largest = std::max<std::int64_t>(largest, eggs < 0 ? -std::int64_t{eggs} : eggs);
    }
    return largest;
}

constexpr std::int64_t draw_budget = std::int64_t{1} << 20;

stream seeded(const model_parameters& parameters, std::int32_t seed, bool reference) {
    stream s = create_stream(parameters, stream_options{1, std::nullopt, reference});
    seed_stream(s, seed);
    return s;
}

void run_generations(parameter_set answers, std::int32_t seed) {
    answers.max_reproduction_age = std::clamp(answers.max_reproduction_age, -2, 40);
    answers.generations = std::clamp(answers.generations, -2, 25);
    const model_parameters parameters = derive_model_parameters(answers);
    // The run as the programs do it, and the plain reference beside it.
    stream fast = seeded(parameters, seed, false);
    stream reference = seeded(parameters, seed, true);

    const std::int64_t eggs = largest_egg_count(parameters);
    generation_row row = first_row(fast);
    require(row == first_row(reference));
    check_row_record(row);
    while (has_next_generation(fast)) {
        // Every individual of the next generation descends from today's
        // adults and recruits: stop before a generation could exceed the budget.
        const std::int64_t parents = std::int64_t{row.adults} + stream_recruits(fast);
        if (parents * (1 + 2 * eggs) > draw_budget) return;
        const std::int32_t g = row.generation + 1;
        row = next_generation(fast);
        require(row == next_generation(reference));
        require(stream_random_state(fast) == stream_random_state(reference));
        require(stream_recruits(fast) == stream_recruits(reference));
        require(last_generation_wrapped(fast) == last_generation_wrapped(reference));
        check_row_record(row);
        require(row.generation == g);
        require(row.adults >= 0 && row.larvae >= 0 && stream_recruits(fast) >= 0);
        require(row.larvae <= std::max(row.embryos, 0));
        require(stream_recruits(fast) <= row.larvae);
        if (parameters.max_reproduction_age <= 0) require(row.embryos == 0 && row.larvae == 0 && row.adults == 0);
    }
    require(row.generation == std::max(parameters.generations, 0));
}

input_reader reader_over_bytes(const std::uint8_t* bytes, std::size_t size) {
    return reader_over_text(std::string_view(reinterpret_cast<const char*>(bytes), size));
}

}  // namespace

void fuzz_answer_reader(const std::uint8_t* bytes, std::size_t size) {
    input_reader in = reader_over_bytes(bytes, size);
    for (int i = 0; i < 32; ++i) {
        double real = 0;
        std::int32_t integer = 0;
        const bool ok = i % 2 == 0 ? read_succeeds([&] { scan_real_answer(in, real); })
                                   : read_succeeds([&] { scan_integer_answer(in, integer); });
        if (!ok) return;
        require(integer != std::numeric_limits<std::int32_t>::min());
    }
    (void)read_succeeds([&] { next_input_line(in); });
}

void fuzz_dialogue(const std::uint8_t* bytes, std::size_t size) {
    input_reader in = reader_over_bytes(bytes, size);
    parameter_set answers{};
    for (const answer_field& field : answer_fields)
        if (!read_answer(in, field, answers)) return;
    run_generations(answers, static_cast<std::int32_t>(size % 1000));
}

}  // namespace zemrath::fuzz
