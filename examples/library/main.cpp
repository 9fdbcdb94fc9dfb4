// Runs one parameter set as the console program would with ZEMRATH_SEED=42,
// then all 1000 streams of it, and prints what they say together.
#include <zemrath/zemrath.hpp>

#include <iostream>

int main() {
    zemrath::parameter_set answers;  // the ten answers, as typed at the prompts
    answers.embryo_larval_survival = 0.013;
    answers.max_juvenile_survival = 0.8;
    answers.adult_survival = 0.5;
    answers.carrying_capacity = 400;
    answers.weight_increase_rate = 2;
    answers.growth_inhibition = 0.5;
    answers.weight_at_one_year = 0.1;
    answers.max_reproduction_age = 4;
    answers.fecundity_rate = 1;
    answers.generations = 50;
    const zemrath::model_parameters parameters = zemrath::derive_model_parameters(answers);

    try {
        // One stream, generation by generation: the rows of output.txt.
        zemrath::stream run = zemrath::create_stream(parameters);
        zemrath::seed_stream(run, 42);
        while (zemrath::has_next_generation(run)) {
            const zemrath::generation_row row = zemrath::next_generation(run);
            if (row.generation % 10 == 0)
                std::cout << "generation " << row.generation << ": " << row.adults << " adults\n";
        }

        // Every stream at once, and what they say together.
        const zemrath::ensemble_analysis analysis =
            zemrath::analyse_ensemble(zemrath::run_ensemble(parameters, zemrath::all_seeds()));
        std::cout << "streams: " << analysis.seeds.size() << ", extinct by generation "
                  << zemrath::last_generation(analysis) << ": " << analysis.extinct_streams
                  << ", median adults: " << analysis.outcomes.adults_p50 << "\n";
    } catch (const zemrath::error& failure) {
        std::cerr << "zemrath: " << failure.what() << "\n";
        return 1;
    }
}
