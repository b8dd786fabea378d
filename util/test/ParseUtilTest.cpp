#include <gtest/gtest.h>

#include "ParseUtil.h"

namespace {

// Every token a loop over hasMoreTokens() hands out; bounded, so that a loop
// that would not end fails instead of hanging.
std::vector<std::string> drain(ParseUtil& parser, bool quoted = false)
{
    std::vector<std::string> tokens;
    for (int guard = 0; parser.hasMoreTokens() && guard < 100; ++guard)
        tokens.push_back(quoted ? parser.getNextQuoteDelimitedToken() : parser.getNextToken());
    return tokens;
}

using Tokens = std::vector<std::string>;

}  // namespace

TEST(ParseUtilTest, TokensBetweenRunsOfDelimiters)
{
    ParseUtil blanks("  alpha omega");
    EXPECT_EQ((Tokens{"alpha", "omega"}), drain(blanks));
    EXPECT_EQ("", blanks.getNextToken());
    ParseUtil commas("a,,b;c", ",;");
    EXPECT_EQ((Tokens{"a", "b", "c"}), drain(commas));
    ParseUtil all("x\ty\nz\rw\fv u");
    EXPECT_EQ((Tokens{"x", "y", "z", "w", "v", "u"}), drain(all));
    ParseUtil empty;
    EXPECT_FALSE(empty.hasMoreTokens());
    EXPECT_EQ("", empty.getNextToken());
    // Trailing delimiters: the loop ends after the last token.
    ParseUtil trailing("a,b,,", ",");
    EXPECT_EQ((Tokens{"a", "b"}), drain(trailing));
    ParseUtil onlyDelimiters(" \t ");
    EXPECT_EQ((Tokens{""}), drain(onlyDelimiters));
    // setLine restarts and keeps the delimiters.
    trailing.setLine("r s,t");
    EXPECT_EQ((Tokens{"r s", "t"}), drain(trailing));
}

TEST(ParseUtilTest, QuoteDelimitedTokens)
{
    ParseUtil parser("x \"first\" y \"\"");
    EXPECT_EQ((Tokens{"first", ""}), drain(parser, true));
    ParseUtil mixed("\"a b\" c d");  // quoted and plain tokens share one position
    EXPECT_EQ("a b", mixed.getNextQuoteDelimitedToken());
    EXPECT_EQ("c", mixed.getNextToken());
    ParseUtil single("\"one\" \"two");  // fewer than two quotes left: "" and the end
    EXPECT_EQ((Tokens{"one", ""}), drain(single, true));
    ParseUtil none("no quotes");
    EXPECT_EQ((Tokens{""}), drain(none, true));
}
