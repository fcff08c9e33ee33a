#pragma once

#include "bench_results.h"

// The machine, the date, the versions and the load now.
BenchContext ReadContext();
// The 1-minute load average now.
double LoadAverage();
