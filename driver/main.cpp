#include "driver/run.hpp"

int main() { return zemrath::run_zemrath(); }
