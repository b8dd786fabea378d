#include "HashUnit.h"

#include <cstdint>

#include "UnitTest.h"

const std::string HashUnit::_NUMBERS_AND_LETTERS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string HashUnit::getHashName(const std::string& name)
{
    if (UnitTest::unitTesting())
        return name;
    std::string code;
    code.reserve(8);
    code += createBaseString(getHashNumber(name, 99991), 36);
    code += createBaseString(getHashNumber(name, 997), 36);
    code += createBaseString(getHashNumber(name, 947), 36);
    return code;
}

// h = (h * 256 + upper-cased byte) mod modulus over the name, in 32-bit signed
// arithmetic. With bytes taken as 0 to 255 and a modulus of at most 2^23, h stays
// in [0, modulus) and h * 256 + 255 never leaves the 32-bit range.
long HashUnit::getHashNumber(const std::string& name, long modulus)
{
    const std::int32_t m = static_cast<std::int32_t>(modulus);
    std::int32_t h = 0;
    for (const char c : name)
    {
        std::int32_t value = static_cast<unsigned char>(c);
        if (value >= 'a' && value <= 'z')
            value -= 'a' - 'A';
        h = (h * 256 + value) % m;
    }
    return h;
}

// Digits of number in base, most significant first, no leading zeros; 0 gives
// "0". Only getHashName calls it, with a hash (never negative) and base 36; a
// negative number would get a leading minus sign and a base outside 2 to 36 is
// taken as the nearer of them, so no digit is ever looked up outside the table.
std::string HashUnit::createBaseString(long number, int base)
{
    if (base < 2)
        base = 2;
    else if (base > 36)
        base = 36;
    unsigned long magnitude = number < 0 ? 0UL - static_cast<unsigned long>(number)
                                         : static_cast<unsigned long>(number);
    char digits[72];
    char* end = digits + sizeof digits;
    char* p = end;
    do
    {
        *--p = _NUMBERS_AND_LETTERS[magnitude % static_cast<unsigned long>(base)];
        magnitude /= static_cast<unsigned long>(base);
    } while (magnitude != 0);
    if (number < 0)
        *--p = '-';
    return std::string(p, end);
}
