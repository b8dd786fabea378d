#include "ParseUtil.h"

const std::string ParseUtil::_quote = "\"";
const int ParseUtil::_maxLength;

namespace {
const char* const defaultDelimiters = " \t\n\r\f";
}

ParseUtil::ParseUtil() : _delimiters(defaultDelimiters), _position(0)
{
}

ParseUtil::ParseUtil(const std::string& line) : _line(line), _delimiters(defaultDelimiters), _position(0)
{
}

ParseUtil::ParseUtil(const std::string& line, const std::string& delimiters)
    : _line(line), _delimiters(delimiters), _position(0)
{
}

ParseUtil::~ParseUtil()
{
}

void ParseUtil::setLine(const std::string& line)
{
    _line = line;
    _position = 0;
}

bool ParseUtil::hasMoreTokens()
{
    return _position < _line.size();
}

std::string ParseUtil::getNextToken()
{
    if (_position >= _line.size())
        return std::string();
    const std::string::size_type start = _line.find_first_not_of(_delimiters, _position);
    if (start == std::string::npos)
    {
        // Only delimiters are left: no token, and nothing more to come.
        _position = static_cast<unsigned int>(_line.size());
        return std::string();
    }
    std::string::size_type end = _line.find_first_of(_delimiters, start + 1);
    if (end == std::string::npos)
        end = _line.size();
    _position = static_cast<unsigned int>(end);
    // Trailing delimiters after the last token: step past them now, so that
    // hasMoreTokens() answers false at once.
    if (end < _line.size() && _line.find_first_not_of(_delimiters, end) == std::string::npos)
        _position = static_cast<unsigned int>(_line.size());
    return _line.substr(start, end - start);
}

std::string ParseUtil::getNextQuoteDelimitedToken()
{
    const std::string::size_type open =
        _position < _line.size() ? _line.find(_quote, _position) : std::string::npos;
    const std::string::size_type close =
        open == std::string::npos ? std::string::npos : _line.find(_quote, open + 1);
    if (close == std::string::npos)
    {
        // Fewer than two quotes left: no token, and nothing more to come.
        _position = static_cast<unsigned int>(_line.size());
        return std::string();
    }
    _position = static_cast<unsigned int>(close + 1);
    return _line.substr(open + 1, close - open - 1);
}
