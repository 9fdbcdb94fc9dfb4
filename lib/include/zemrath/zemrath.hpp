// The whole public interface of the simulation library.
#pragma once

#include "zemrath/answer_reader.hpp"
#include "zemrath/count_kernel.hpp"
#include "zemrath/design.hpp"
#include "zemrath/ensemble.hpp"
#include "zemrath/ensemble_summary.hpp"
#include "zemrath/error.hpp"
#include "zemrath/outcomes.hpp"
#include "zemrath/parameters.hpp"
#include "zemrath/random_source.hpp"
#include "zemrath/real_text.hpp"
#include "zemrath/seed_list.hpp"
#include "zemrath/sensitivity.hpp"
#include "zemrath/statistics.hpp"
#include "zemrath/stream.hpp"
#include "zemrath/text_summary.hpp"
#include "zemrath/version.hpp"
