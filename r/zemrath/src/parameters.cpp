#include "parameters.hpp"

#include <string>
#include <vector>

#include "core_errors.hpp"
#include "zemrath/answer_reader.hpp"
#include "zemrath/real_text.hpp"

zemrath::parameter_set parameters_from_r(const Rcpp::List& parameters) {
    zemrath::parameter_set set;
    for (const zemrath::answer_field& field : zemrath::answer_fields) {
        const SEXP value = parameters[std::string(field.name)];
        if (field.real != nullptr)
            set.*field.real = Rcpp::as<double>(value);
        else
            set.*field.integer = Rcpp::as<int>(value);
    }
    return set;
}

Rcpp::List parameters_to_r(const zemrath::parameter_set& parameters) {
    Rcpp::List list(zemrath::answer_fields.size());
    Rcpp::CharacterVector names(zemrath::answer_fields.size());
    for (std::size_t i = 0; i < zemrath::answer_fields.size(); ++i) {
        const zemrath::answer_field& field = zemrath::answer_fields[i];
        names[i] = std::string(field.name);
        if (field.real != nullptr)
            list[i] = parameters.*field.real;
        else
            list[i] = static_cast<int>(parameters.*field.integer);
    }
    list.attr("names") = names;
    return list;
}

// The answer fields in prompt order: name, and whether the answer is a whole
// number.
// [[Rcpp::export(rng = false)]]
Rcpp::List cpp_answer_fields() {
    std::vector<std::string> names;
    std::vector<bool> integer;
    for (const zemrath::answer_field& field : zemrath::answer_fields) {
        names.emplace_back(field.name);
        integer.push_back(field.integer != nullptr);
    }
    return Rcpp::List::create(Rcpp::Named("name") = names, Rcpp::Named("integer") = integer);
}

// The ten answers of a file in the prompts' answer syntax, read as the
// programs read it.
// [[Rcpp::export(rng = false)]]
Rcpp::List cpp_read_answers(const std::string& path) {
    return core_entry([&] {
        const zemrath::partial_answers answers = zemrath::read_answers_file(path);
        std::string missing;
        for (std::size_t i = 0; i < zemrath::answer_fields.size(); ++i)
            if (!answers.given[i]) missing += (missing.empty() ? "" : ", ") + std::string(zemrath::answer_fields[i].name);
        if (!missing.empty())
            throw zemrath::error(zemrath::error_code::end_of_input,
                                 path + " ends before every answer is given; missing: " + missing);
        return parameters_to_r(answers.values);
    });
}

// Each real as the shortest decimal that reads back to the same double.
// [[Rcpp::export(rng = false)]]
Rcpp::CharacterVector cpp_real_text(const Rcpp::NumericVector& values) {
    Rcpp::CharacterVector texts(values.size());
    for (R_xlen_t i = 0; i < values.size(); ++i) texts[i] = zemrath::real_text(values[i]);
    return texts;
}
