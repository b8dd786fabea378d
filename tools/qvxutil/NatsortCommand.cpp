// qvxutil natsort [-s]: standard input's lines in natural order.
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "AlphaNumericComparator.h"
#include "Command.h"

namespace {

int runNatsort(const qvxutil::Args& args)
{
    bool caseSensitive = false;
    for (const std::string& arg : args)
    {
        if (arg == "-s")
            caseSensitive = true;
        else
            throw qvxutil::UsageError{"unknown argument '" + arg + "'"};
    }
    std::ios::sync_with_stdio(false);
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(std::cin, line))
        lines.push_back(std::move(line));
    // The natural ordering is not transitive for every input; stable_sort stays
    // safe where std::sort would not (see AlphaNumericComparator.h).
    std::stable_sort(lines.begin(), lines.end(), AlphaNumericComparator(caseSensitive));
    for (const std::string& l : lines)
        std::cout << l << '\n';
    std::cout.flush();
    return std::cout ? 0 : 1;
}

const qvxutil::Command::Registration registration{
    {"natsort", "natsort [-s]", "sort standard input lines in natural order (-s: case-sensitive)",
     &runNatsort}};

}  // namespace
