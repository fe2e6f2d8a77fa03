#include "BenchStats.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace bench {

double Series::Median() const {
    if (values_.empty())
        return 0;
    std::vector<double> sorted = values_;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t middle = sorted.size() / 2;
    return sorted.size() % 2 != 0 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Series::Min() const { return values_.empty() ? 0 : *std::min_element(values_.begin(), values_.end()); }

double Series::Max() const { return values_.empty() ? 0 : *std::max_element(values_.begin(), values_.end()); }

double Series::Sum() const {
    double sum = 0;
    for (double value : values_)
        sum += value;
    return sum;
}

std::string Series::Summary(int decimals) const {
    if (values_.empty())
        return "n/a";
    return Format("%.*f (%.*f to %.*f)", decimals, Median(), decimals, Min(), decimals, Max());
}

std::string Series::Raw(int decimals) const {
    std::string text;
    for (double value : values_) {
        if (!text.empty())
            text += ' ';
        text += Format("%.*f", decimals, value);
    }
    return text;
}

std::string Format(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    va_list copy;
    va_copy(copy, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), format, arguments);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(arguments);
    return text;
}

} // namespace bench
