// qvxutil stats: count, mean and five-number summary of the numbers on
// standard input (separated by whitespace).
#include <charconv>
#include <cmath>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "Command.h"
#include "MathUtil.h"
#include "StringUtil.h"

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// A decimal number, optionally signed, with optional fraction and exponent; the
// whole token must be used. Infinities, NaN and values out of range are refused,
// so no token silently counts as something else.
bool parseNumber(const std::string& token, double& value)
{
    const char* first = token.data();
    const char* last = first + token.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-' && first[1] != '+')
        ++first;
    const std::from_chars_result r = std::from_chars(first, last, value);
    return r.ec == std::errc() && r.ptr == last && std::isfinite(value);
}

int runStats(const qvxutil::Args& args)
{
    if (!args.empty())
        throw qvxutil::UsageError{"stats takes no arguments; it reads numbers from standard input"};
    const std::string input((std::istreambuf_iterator<char>(std::cin)),
                            std::istreambuf_iterator<char>());
    std::vector<double> data;
    std::size_t i = 0;
    while (i < input.size())
    {
        while (i < input.size() && isSpace(input[i]))
            ++i;
        const std::size_t start = i;
        while (i < input.size() && !isSpace(input[i]))
            ++i;
        if (start == i)
            break;
        const std::string token = input.substr(start, i - start);
        double value = 0.0;
        if (!parseNumber(token, value))
            throw qvxutil::UsageError{"not a number: '" + token + "'"};
        data.push_back(value);
    }
    if (data.empty())
        throw qvxutil::UsageError{"no numbers on standard input"};

    const double mean = MathUtil::mean(data);
    double smallest, lowerQuartile, median, upperQuartile, largest;
    MathUtil::calculateFiveNumberSummary(smallest, lowerQuartile, median, upperQuartile, largest,
                                         data);
    std::cout << "count  " << data.size() << '\n'
              << "mean   " << StringUtil::doubleToString(mean) << '\n'
              << "min    " << StringUtil::doubleToString(smallest) << '\n'
              << "q1     " << StringUtil::doubleToString(lowerQuartile) << '\n'
              << "median " << StringUtil::doubleToString(median) << '\n'
              << "q3     " << StringUtil::doubleToString(upperQuartile) << '\n'
              << "max    " << StringUtil::doubleToString(largest) << '\n';
    return 0;
}

const qvxutil::Command::Registration registration{
    {"stats", "stats < NUMBERS",
     "count, mean and five-number summary of the numbers on standard input", &runStats}};

}  // namespace
