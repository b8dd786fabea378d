#ifndef QVX_HASH_UNIT_H
#define QVX_HASH_UNIT_H

#include <string>

#include "QvxExport.h"

// Short, stable codes for unit names: three hashes of the name (moduli 99991,
// 997 and 947) written in base 36 with the digits 0-9 and A-Z and joined, three
// to eight characters in all, with no padding. Letter case does not matter
// (abc and ABC give 1NJXIM47); the empty name gives 000. While unit tests run
// (UnitTest::unitTesting()) a name comes back unchanged, so that tests read
// plain names.
//
// Bytes above 127 (a choice of this library): such a byte counts as its unsigned
// value, 128 to 255, and is not upper-cased. So every name, whatever its bytes,
// gets a code of the same form, and the upper-casing of ASCII letters does not
// depend on the process's locale.
class QVXUTIL_API HashUnit
{
public:
    static std::string getHashName(const std::string& name);

private:
    static long getHashNumber(const std::string& name, long modulus);
    static std::string createBaseString(long number, int base);

    static const std::string _NUMBERS_AND_LETTERS;
};

#endif
