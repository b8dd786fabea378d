#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParseUtil.h"

namespace {

// Every token a loop over hasMoreTokens() hands out (bounded, so that a loop
// that would not end fails instead of hanging).
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
    EXPECT_EQ("alpha", blanks.getNextToken());
    EXPECT_EQ("omega", blanks.getNextToken());
    EXPECT_FALSE(blanks.hasMoreTokens());
    EXPECT_EQ("", blanks.getNextToken());

    ParseUtil commas("a,,b;c", ",;");
    EXPECT_EQ((Tokens{"a", "b", "c"}), drain(commas));

    ParseUtil all("x\ty\nz\rw\fv u");
    EXPECT_EQ((Tokens{"x", "y", "z", "w", "v", "u"}), drain(all));

    ParseUtil empty;
    EXPECT_FALSE(empty.hasMoreTokens());
    EXPECT_EQ("", empty.getNextToken());
}

TEST(ParseUtilTest, LoopEndsWithoutEmptyTokenAfterTrailingDelimiters)
{
    ParseUtil trailing("a,b,,", ",");
    EXPECT_EQ("a", trailing.getNextToken());
    EXPECT_TRUE(trailing.hasMoreTokens());
    EXPECT_EQ("b", trailing.getNextToken());
    EXPECT_FALSE(trailing.hasMoreTokens());

    ParseUtil onlyDelimiters(" \t ");
    EXPECT_TRUE(onlyDelimiters.hasMoreTokens());
    EXPECT_EQ("", onlyDelimiters.getNextToken());
    EXPECT_FALSE(onlyDelimiters.hasMoreTokens());
}

TEST(ParseUtilTest, SetLineRestartsAndKeepsDelimiters)
{
    ParseUtil parser("p;q", ";");
    EXPECT_EQ("p", parser.getNextToken());
    parser.setLine("r s;t");
    EXPECT_EQ((Tokens{"r s", "t"}), drain(parser));
    EXPECT_EQ(256, ParseUtil::_maxLength);
}

TEST(ParseUtilTest, QuoteDelimitedTokens)
{
    ParseUtil parser("x \"first\" y \"\"");
    EXPECT_EQ("first", parser.getNextQuoteDelimitedToken());
    EXPECT_EQ("", parser.getNextQuoteDelimitedToken());
    EXPECT_FALSE(parser.hasMoreTokens());

    // Quote and plain tokens share one position.
    ParseUtil mixed("\"a b\" c d");
    EXPECT_EQ("a b", mixed.getNextQuoteDelimitedToken());
    EXPECT_EQ("c", mixed.getNextToken());

    // Fewer than two quotes left: "" and the end of the line.
    ParseUtil single("\"one\" \"two");
    EXPECT_EQ((Tokens{"one", ""}), drain(single, true));
    ParseUtil none("no quotes");
    EXPECT_EQ((Tokens{""}), drain(none, true));
}
