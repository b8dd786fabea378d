// The tokenizer on a line longer than 4 GiB: positions past the 32-bit range
// must stay exact, so every token is handed out once and the loop ends. Main
// build only: the line and the tokenizer's copy of it take 8 GiB for a moment.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParseUtil.h"

namespace {

const std::string::size_type FOUR_GIB = std::string::size_type(1) << 32;

// At most limit tokens, so that a tokenizer that goes round in circles fails
// instead of running forever.
template <class Next>
std::vector<std::string> tokens(ParseUtil& p, Next next, int limit = 6)
{
    std::vector<std::string> all;
    while (p.hasMoreTokens() && static_cast<int>(all.size()) < limit)
        all.push_back(next(p));
    return all;
}

}  // namespace

TEST(ParseUtilHugeLineTest, TokensBeyondFourGibAreHandedOutOnceAndTheLoopEnds)
{
    std::string line = "a";
    line.append(FOUR_GIB, ',');
    line += "b,c";
    ParseUtil p(line, ",");
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}),
              tokens(p, [](ParseUtil& q) { return q.getNextToken(); }));

    // The same line with quotes: the closing quote of "b" lies past 4 GiB.
    line.replace(0, 1, "\"a\"");
    line.replace(line.size() - 3, 3, "\"b\"");
    p.setLine(line);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}),
              tokens(p, [](ParseUtil& q) { return q.getNextQuoteDelimitedToken(); }));
}
