#include "fuzz/fuzz_harness.hpp"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "driver/dialogue.hpp"
#include "driver/population.hpp"
#include "fuzz/memory_input.hpp"
#include "model/fecundity.hpp"
#include "textio/record.hpp"

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

// Returns whether the outcome is a failure, aborting on an unknown message.
bool failed(const answer_outcome& outcome) {
    if (outcome.kind != answer_outcome::failure) return false;
    require(std::find(reader_messages.begin(), reader_messages.end(), outcome.message) !=
            reader_messages.end());
    return true;
}

bool read_answer(input_reader& in, const question& q, parameter_set& parameters) {
    if (q.real_field != nullptr) return !failed(scan_real_answer(in, parameters.*q.real_field));
    const std::int32_t before = parameters.*q.integer_field;
    const answer_outcome outcome = scan_integer_answer(in, parameters.*q.integer_field);
    if (failed(outcome)) return false;
    const std::int32_t after = parameters.*q.integer_field;
    // The integer syntax cannot reach -2147483648, and a null answer keeps the field.
    require(after != std::numeric_limits<std::int32_t>::min());
    if (outcome.kind == answer_outcome::null_answer) require(after == before);
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
std::int64_t largest_egg_count(const parameter_set& parameters) {
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

void run_generations(parameter_set parameters, std::int32_t seed) {
    parameters.max_reproduction_age = std::clamp(parameters.max_reproduction_age, -2, 40);
    parameters.generations = std::clamp(parameters.generations, -2, 25);
    halve_carrying_capacity(parameters);
    // The run as the program does it, and the plain reference beside it.
    population state;
    reference_population reference;
    require(create_age_classes(state, parameters) && create_age_classes(reference, parameters));
    state.competition_coefficient = competition_coefficient_of(parameters);
    reference.competition_coefficient = state.competition_coefficient;
    rand_state rng;
    seed_from_millisecond(rng, seed);
    rand_state reference_rng = rng;

    const std::int64_t eggs = largest_egg_count(parameters);
    generation_row row = initial_row(state);
    check_row_record(row);
    for (std::int32_t g = 1; g <= parameters.generations; ++g) {
        // Every individual of the next generation descends from today's
        // adults and recruits: stop before a generation could exceed the budget.
        const std::int64_t parents = std::int64_t{row.adults} + state.recruits;
        if (parents * (1 + 2 * eggs) > draw_budget) return;
        row = advance_generation(state, parameters, g, rng);
        require(row == advance_generation(reference, parameters, g, reference_rng));
        require(rng == reference_rng && state.recruits == reference.recruits);
        check_row_record(row);
        require(row.generation == g);
        require(row.adults >= 0 && row.larvae >= 0 && state.recruits >= 0);
        require(row.larvae <= std::max(row.embryos, 0));
        require(state.recruits <= row.larvae);
        if (parameters.max_reproduction_age <= 0)
            require(row.embryos == 0 && row.larvae == 0 && row.adults == 0);
    }
}

}  // namespace

void fuzz_answer_reader(const std::uint8_t* bytes, std::size_t size) {
    memory_input input(bytes, size);
    for (int i = 0; i < 32; ++i) {
        double real = 0;
        std::int32_t integer = 0;
        const bool ok = i % 2 == 0 ? !failed(scan_real_answer(input.reader, real))
                                   : !failed(scan_integer_answer(input.reader, integer));
        if (!ok) return;
        require(integer != std::numeric_limits<std::int32_t>::min());
    }
    (void)failed(next_input_line(input.reader));
}

void fuzz_dialogue(const std::uint8_t* bytes, std::size_t size) {
    memory_input input(bytes, size);
    parameter_set parameters{};
    for (const question& q : dialogue_questions)
        if (!read_answer(input.reader, q, parameters)) return;
    run_generations(parameters, static_cast<std::int32_t>(size % 1000));
}

}  // namespace zemrath::fuzz
