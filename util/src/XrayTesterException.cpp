#include "XrayTesterException.h"

#include <ostream>

#include "kbrAssert.h"

XrayTesterException::XrayTesterException(const std::string& message, const std::string& key,
                                         const std::list<std::string>& parameters)
    : _message(message), _key(key), _parameters(parameters)
{
}

XrayTesterException::XrayTesterException(const std::string& message, const std::string& key)
    : _message(message), _key(key), _parameters(makeParameters())
{
}

XrayTesterException::XrayTesterException(const std::string& message, const std::string& key,
                                         const std::string& p1)
    : _message(message), _key(key), _parameters(makeParameters(p1))
{
}

XrayTesterException::XrayTesterException(const std::string& message, const std::string& key,
                                         const std::string& p1, const std::string& p2)
    : _message(message), _key(key), _parameters(makeParameters(p1, p2))
{
}

XrayTesterException::XrayTesterException(const std::string& message, const std::string& key,
                                         const std::string& p1, const std::string& p2,
                                         const std::string& p3)
    : _message(message), _key(key), _parameters(makeParameters(p1, p2, p3))
{
}

XrayTesterException::XrayTesterException(const std::string& message, const std::string& key,
                                         const std::string& p1, const std::string& p2,
                                         const std::string& p3, const std::string& p4)
    : _message(message), _key(key), _parameters(makeParameters(p1, p2, p3, p4))
{
}

XrayTesterException::XrayTesterException(const XrayTesterException& other) = default;

XrayTesterException::~XrayTesterException() = default;

std::string XrayTesterException::getMessage() const
{
    return _message;
}

std::string XrayTesterException::getKey() const
{
    return _key;
}

std::list<std::string> XrayTesterException::getParameters() const
{
    return _parameters;
}

const std::list<std::string>& XrayTesterException::getParametersRef() const
{
    return _parameters;
}

unsigned int XrayTesterException::getParameterCount() const
{
    return static_cast<unsigned int>(_parameters.size());
}

std::string XrayTesterException::getParameter(unsigned int index) const
{
    if (!(index < _parameters.size()))
    {
        showKbrAssert("index < _parameters.size()", __FILE__, __LINE__);
        return std::string();  // nop mode: nothing to read
    }
    auto it = _parameters.begin();
    unsigned int i = 0;
    while (i != index && it != _parameters.end())
    {
        ++it;
        ++i;
    }
    if (it == _parameters.end())
    {
        showKbrAssert("it != _parameters.end()", __FILE__, __LINE__);
        return std::string();
    }
    if (i != index)
        showKbrAssert("i == index", __FILE__, __LINE__);
    return *it;
}

const std::string& XrayTesterException::checkStringNotEmpty(const std::string& s)
{
    KBR_ASSERT(! s.empty());
    return s;
}

std::list<std::string> XrayTesterException::makeParameters()
{
    return {};
}

std::list<std::string> XrayTesterException::makeParameters(const std::string& p1)
{
    return {p1};
}

std::list<std::string> XrayTesterException::makeParameters(const std::string& p1,
                                                           const std::string& p2)
{
    return {p1, p2};
}

std::list<std::string> XrayTesterException::makeParameters(const std::string& p1,
                                                           const std::string& p2,
                                                           const std::string& p3)
{
    return {p1, p2, p3};
}

std::list<std::string> XrayTesterException::makeParameters(const std::string& p1,
                                                           const std::string& p2,
                                                           const std::string& p3,
                                                           const std::string& p4)
{
    return {p1, p2, p3, p4};
}

std::ostream& operator<<(std::ostream& os, const XrayTesterException& e)
{
    os << e._key << "['" << e._message << "'";
    for (const std::string& parameter : e._parameters)
        os << ", " << parameter;
    return os << ']';
}
