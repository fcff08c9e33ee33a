#pragma once

#include <vector>

// Order statistics of a set of measurements; all answer 0 for none.
double Median(std::vector<double> values);
// The nearest-rank percentile, p from 0 to 100.
double Percentile(std::vector<double> values, double p);
double Mean(const std::vector<double>& values);
double Maximum(const std::vector<double>& values);
