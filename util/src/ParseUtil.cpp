#include "ParseUtil.h"

const std::string ParseUtil::_quote = "\"";
const int ParseUtil::_maxLength;

namespace {
const char* const defaultDelimiters = " \t\n\r\f";
}

ParseUtil::ParseUtil() : _delimiters(defaultDelimiters), _position(0)
{
    markDelimiters();
}

ParseUtil::ParseUtil(const std::string& line) : _line(line), _delimiters(defaultDelimiters), _position(0)
{
    markDelimiters();
}

ParseUtil::ParseUtil(const std::string& line, const std::string& delimiters)
    : _line(line), _delimiters(delimiters), _position(0)
{
    markDelimiters();
}

void ParseUtil::markDelimiters()
{
    _isDelimiter.fill(false);
    for (const char c : _delimiters)
        _isDelimiter[static_cast<unsigned char>(c)] = true;
}

std::string::size_type ParseUtil::find(std::string::size_type from, bool delimiter) const
{
    const unsigned char* const first = reinterpret_cast<const unsigned char*>(_line.data());
    const unsigned char* const last = first + _line.size();
    for (const unsigned char* p = first + from; p < last; ++p)
        if (_isDelimiter[*p] == delimiter)
            return static_cast<std::string::size_type>(p - first);
    return std::string::npos;
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
    const std::string::size_type start = find(_position, false);
    if (start == std::string::npos)
    {
        // Only delimiters are left: no token, and nothing more to come.
        _position = _line.size();
        return std::string();
    }
    std::string::size_type end = find(start + 1, true);
    if (end == std::string::npos)
        end = _line.size();
    _position = end;
    // Trailing delimiters after the last token: step past them now, so that
    // hasMoreTokens() answers false at once.
    if (end < _line.size() && find(end, false) == std::string::npos)
        _position = _line.size();
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
        _position = _line.size();
        return std::string();
    }
    _position = close + 1;
    return _line.substr(open + 1, close - open - 1);
}
