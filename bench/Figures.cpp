#include "bench/Figures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kLabelWidth = 52, kValueWidth = 15, kRatioWidth = 8;

double Rank(const std::vector<double>& sorted, size_t percent) {
    const size_t rank = (percent * sorted.size() + 99) / 100;  // the smallest with percent of all at or below
    return sorted[std::max<size_t>(rank, 1) - 1];
}

std::string Value(const std::optional<double>& value, const Figure& figure) {
    if (!value) return "failed";
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", figure.Decimals, *value);
    return figure.Unit.empty() ? text : text + (" " + figure.Unit);
}

std::string Ratio(const Figure& figure, const char* none) {
    const std::optional<double> ratio = RatioOf(figure);
    if (!ratio) return none;
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", *ratio);
    return text;
}

std::string Row(const std::string& label,
                const std::string& program,
                const std::string& reference,
                const std::string& ratio) {
    char line[256];
    std::snprintf(line, sizeof line, "%-*s%*s%*s%*s\n", kLabelWidth, label.c_str(), kValueWidth,
                  program.c_str(), kValueWidth, reference.c_str(), kRatioWidth, ratio.c_str());
    return line;
}

}  // namespace

std::optional<Spread> SpreadOf(std::vector<double> samples) {
    if (samples.empty()) return std::nullopt;
    std::sort(samples.begin(), samples.end());
    return Spread{Rank(samples, 50), Rank(samples, 90), Rank(samples, 99)};
}

std::optional<double> MedianOf(std::vector<double> samples) {
    if (const auto spread = SpreadOf(std::move(samples))) return spread->Median;
    return std::nullopt;
}

double UntilPhase(double offset, double elapsed, double period) {
    const double until = std::fmod(offset - elapsed, period);  // negative when elapsed is past offset
    return until < 0 ? until + period : until;
}

std::optional<double> RatioOf(const Figure& figure) {
    if (!figure.Program || !figure.Reference || *figure.Reference == 0) return std::nullopt;
    return *figure.Program / *figure.Reference;
}

std::string Table(const std::vector<Figure>& figures) {
    std::string table = Row("", "corvel.exe", "reference", "ratio");
    for (const Figure& figure : figures)
        table += Row(figure.Label, Value(figure.Program, figure), Value(figure.Reference, figure),
                     Ratio(figure, "-"));
    return table;
}

std::string RatioLine(const std::vector<Figure>& figures) {
    std::string line = "ratios corvel.exe/reference:";
    for (const Figure& figure : figures) line += " " + figure.Key + "=" + Ratio(figure, "n/a");
    return line + "\n";
}
