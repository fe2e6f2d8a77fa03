// Samples of one figure and their summary: median and spread (min, max).
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace bench {

class Series {
public:
    void Add(double value) { values_.push_back(value); }
    bool Empty() const { return values_.empty(); }
    std::size_t Count() const { return values_.size(); }
    const std::vector<double>& Values() const { return values_; }

    // All 0 for an empty series.
    double Median() const;
    double Min() const;
    double Max() const;
    double Sum() const;

    // "12.3 (10.1 to 15.0)": median, then the range; "n/a" when empty.
    std::string Summary(int decimals = 1) const;
    // The samples, space separated, for the raw output.
    std::string Raw(int decimals = 1) const;

private:
    std::vector<double> values_;
};

// printf-style formatting into a std::string.
std::string Format(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

} // namespace bench
