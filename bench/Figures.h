#pragma once

#include <optional>
#include <string>
#include <vector>

// The figures of one run and how they are printed: one table, then one line of ratios that a script reads.

struct Spread {
    double Median, P90, P99;
};

// Nearest-rank percentiles: each is a sample itself. None of no samples.
std::optional<Spread> SpreadOf(std::vector<double> samples);
std::optional<double> MedianOf(std::vector<double> samples);

struct Figure {
    std::string Key;    // its name in the line of ratios
    std::string Label;  // its line in the table
    std::string Unit;
    int Decimals;
    std::optional<double> Program, Reference;  // none: not measured, and the run said why
};

// Milliseconds from elapsed to the next moment that lies offset after a multiple of period: in [0, period),
// however long ago the count began.
double UntilPhase(double offset, double elapsed, double period);

// corvel.exe's over the reference's; none when either is missing or the reference's is 0.
std::optional<double> RatioOf(const Figure& figure);
std::string Table(const std::vector<Figure>& figures);
// "ratios corvel.exe/reference: key=1.13 key=n/a ...", every figure in table order.
std::string RatioLine(const std::vector<Figure>& figures);
