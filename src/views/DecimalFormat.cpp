#include "DecimalFormat.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>
#include <system_error>

namespace views {

namespace {

// Rounds the decimal number digits x 10^(exponent - digits.size() + 1) to
// `decimals` places and writes it in fixed notation.
QString RoundDigits(bool negative, std::string digits, int exponent, int decimals) {
    // Position of the decimal point counted from the first digit.
    int point = exponent + 1;
    // Pad so the digits reach at least one place before and `decimals` after the point.
    if (point <= 0) {
        digits.insert(0, static_cast<std::size_t>(1 - point), '0');
        point = 1;
    }
    const std::size_t keep = static_cast<std::size_t>(point + decimals);
    if (digits.size() < keep) {
        digits.append(keep - digits.size(), '0');
    }
    const bool roundUp = digits.size() > keep && digits[keep] >= '5';
    digits.resize(keep);
    if (roundUp) {
        int i = static_cast<int>(keep) - 1;
        while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') {
            digits[static_cast<std::size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            digits.insert(digits.begin(), '1');
            ++point;
        } else {
            ++digits[static_cast<std::size_t>(i)];
        }
    }
    // Leading zeros before the point beyond the first go.
    std::size_t lead = 0;
    while (lead + 1 < static_cast<std::size_t>(point) && digits[lead] == '0') {
        ++lead;
    }
    std::string text = digits.substr(lead, static_cast<std::size_t>(point) - lead);
    if (decimals > 0) {
        text += '.';
        text += digits.substr(static_cast<std::size_t>(point));
    }
    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (negative && !zero) {
        text.insert(text.begin(), '-');
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

template <typename T>
QString FormatShortest(T value, int decimals) {
    decimals = decimals < 0 ? 0 : decimals;
    if (!std::isfinite(value)) {
        value = 0;
    }
    // Shortest round-trip form, "d.ddde±xx".
    char buffer[64];
    const auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    if (error != std::errc()) {
        return QString();
    }
    const std::string text(buffer, end);
    const std::size_t e = text.find('e');
    std::string mantissa = text.substr(0, e);
    const int exponent = std::atoi(text.c_str() + e + 1);
    const bool negative = !mantissa.empty() && mantissa.front() == '-';
    if (negative) {
        mantissa.erase(0, 1);
    }
    std::string digits;
    for (char c : mantissa) {
        if (c != '.') {
            digits += c;
        }
    }
    return RoundDigits(negative, digits, exponent, decimals);
}

}  // namespace

QString FormatDecimal(double value, int decimals) {
    return FormatShortest(value, decimals);
}

QString FormatDecimal(float value, int decimals) {
    return FormatShortest(value, decimals);
}

}  // namespace views
