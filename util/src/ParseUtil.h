#ifndef QVX_PARSE_UTIL_H
#define QVX_PARSE_UTIL_H

#include <array>
#include <string>

#include "QvxExport.h"

// A tokenizer over one line: hands out the pieces between runs of delimiter
// characters, or the pieces between pairs of double quotes. One object belongs
// to one thread at a time.
//
// Where the line has nothing left to give, the tokenizer moves its position to
// the end of the line, so that a loop over hasMoreTokens() always ends and never
// sees an empty token:
//  - after the last token of a line that ends in delimiters, getNextToken()
//    places the position at the end of the line ("a,b," at "," gives a, b and
//    then hasMoreTokens() is false);
//  - getNextToken() on a rest made only of delimiters returns "" and moves to
//    the end;
//  - getNextQuoteDelimitedToken() with fewer than two double quotes at or after
//    the position returns "" and moves to the end.
//
// The position is a full-width index into the line (std::string::size_type),
// exact on every host: a line longer than 4 GiB is tokenized to its end like
// any other, and no position ever wraps around to an earlier place. The
// delimiter set is kept as a table of the 256 byte values as well, so that a
// search costs one look-up per byte whatever the number of delimiters.
class QVXUTIL_API ParseUtil
{
public:
    static const int _maxLength = 256;  // a line-length bound for callers; not enforced here

    ParseUtil();
    explicit ParseUtil(const std::string& line);
    ParseUtil(const std::string& line, const std::string& delimiters);
    ~ParseUtil();

    void setLine(const std::string& line);
    bool hasMoreTokens();
    std::string getNextToken();
    std::string getNextQuoteDelimitedToken();

private:
    void markDelimiters();
    // The first index at or after from whose byte is (delimiter true) or is not
    // (false) a delimiter; npos when there is none.
    std::string::size_type find(std::string::size_type from, bool delimiter) const;

    static const std::string _quote;

    std::string _line;
    std::string _delimiters;
    std::string::size_type _position;
    std::array<bool, 256> _isDelimiter;
};

#endif
