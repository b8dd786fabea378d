#ifndef QVX_XRAY_TESTER_EXCEPTION_H
#define QVX_XRAY_TESTER_EXCEPTION_H

#include <iosfwd>
#include <list>
#include <string>

#include "QvxExport.h"

class XrayTesterException;

// Writes KEY['message', p1, p2] with no line end.
QVXUTIL_API std::ostream& operator<<(std::ostream& os, const XrayTesterException& e);

// Base of the library's keyed exceptions: a message key for localised lookup,
// an English message, and the ordered parameters the localised text shows.
// Values are fixed at construction; subclasses choose key, message and order.
// Never thrown itself and not derived from std::exception; catch by reference.
class QVXUTIL_API XrayTesterException
{
public:
    XrayTesterException(const XrayTesterException& other);
    // Values never change after construction, so assignment is not offered.
    XrayTesterException& operator=(const XrayTesterException&) = delete;

    std::string getMessage() const;
    std::string getKey() const;
    std::list<std::string> getParameters() const;
    unsigned int getParameterCount() const;
    // Zero-based. Out of range fails "index < _parameters.size()"; when that
    // check returns (nop mode) the result is the empty string.
    std::string getParameter(unsigned int index) const;

protected:
    XrayTesterException(const std::string& message, const std::string& key,
                        const std::list<std::string>& parameters);
    XrayTesterException(const std::string& message, const std::string& key);
    XrayTesterException(const std::string& message, const std::string& key,
                        const std::string& p1);
    XrayTesterException(const std::string& message, const std::string& key,
                        const std::string& p1, const std::string& p2);
    XrayTesterException(const std::string& message, const std::string& key,
                        const std::string& p1, const std::string& p2, const std::string& p3);
    XrayTesterException(const std::string& message, const std::string& key,
                        const std::string& p1, const std::string& p2, const std::string& p3,
                        const std::string& p4);
    virtual ~XrayTesterException();

    const std::list<std::string>& getParametersRef() const;
    // Fails "! s.empty()" for an empty string; returns s itself.
    static const std::string& checkStringNotEmpty(const std::string& s);

private:
    friend std::ostream& operator<<(std::ostream& os, const XrayTesterException& e);

    static std::list<std::string> makeParameters();
    static std::list<std::string> makeParameters(const std::string& p1);
    static std::list<std::string> makeParameters(const std::string& p1, const std::string& p2);
    static std::list<std::string> makeParameters(const std::string& p1, const std::string& p2,
                                                 const std::string& p3);
    static std::list<std::string> makeParameters(const std::string& p1, const std::string& p2,
                                                 const std::string& p3, const std::string& p4);

    const std::string _message;
    const std::string _key;
    const std::list<std::string> _parameters;
};

#endif
