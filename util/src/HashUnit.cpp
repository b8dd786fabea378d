#include "HashUnit.h"

#include <cstdint>

#include "UnitTest.h"

const std::string HashUnit::_NUMBERS_AND_LETTERS = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

namespace {

// Each byte's value in the hash: ASCII letters upper-cased, every other byte
// (those above 127 included) as its unsigned value.
struct UpperTable
{
    std::uint8_t value[256];
};

constexpr UpperTable makeUpperTable()
{
    UpperTable table{};
    for (int c = 0; c < 256; ++c)
        table.value[c] = static_cast<std::uint8_t>(c >= 'a' && c <= 'z' ? c - ('a' - 'A') : c);
    return table;
}

constexpr UpperTable UPPER = makeUpperTable();

// h = (h * 256 + byte) mod M over the name. Every value is non-negative, so
// reducing after each group of four bytes gives the same remainder as reducing
// after every byte; with a modulus known here the remainder is a multiplication.
template <std::uint32_t M>
std::uint32_t hashModulo(const std::string& name)
{
    static_assert(M > 0 && M < (1u << 24), "h << 32 must stay within 64 bits");
    const unsigned char* p = reinterpret_cast<const unsigned char*>(name.data());
    const unsigned char* const end = p + name.size();
    std::uint64_t h = 0;
    for (; end - p >= 4; p += 4)
    {
        const std::uint64_t group = (std::uint64_t{UPPER.value[p[0]]} << 24) |
                                    (std::uint64_t{UPPER.value[p[1]]} << 16) |
                                    (std::uint64_t{UPPER.value[p[2]]} << 8) | UPPER.value[p[3]];
        h = ((h << 32) | group) % M;
    }
    for (; p != end; ++p)
        h = ((h << 8) | UPPER.value[*p]) % M;
    return static_cast<std::uint32_t>(h);
}

// Writes the digits of magnitude backwards ending at end; returns the first.
// The base is a template argument where it is known, so that the division is a
// multiplication.
template <unsigned long B>
char* writeDigits(unsigned long magnitude, char* end, const std::string& table)
{
    do
    {
        *--end = table[magnitude % B];
        magnitude /= B;
    } while (magnitude != 0);
    return end;
}

char* writeDigits(unsigned long magnitude, unsigned long base, char* end, const std::string& table)
{
    do
    {
        *--end = table[magnitude % base];
        magnitude /= base;
    } while (magnitude != 0);
    return end;
}

}  // namespace

std::string HashUnit::getHashName(const std::string& name)
{
    if (UnitTest::unitTesting())
        return name;
    std::string code;
    code += createBaseString(getHashNumber(name, 99991), 36);
    code += createBaseString(getHashNumber(name, 997), 36);
    code += createBaseString(getHashNumber(name, 947), 36);
    return code;
}

// The hash of the name for one modulus, from 0 to modulus - 1. The three moduli
// that getHashName uses take the fast path; any other positive modulus is
// reduced byte by byte in 64-bit arithmetic, and a modulus below 1 gives 0.
long HashUnit::getHashNumber(const std::string& name, long modulus)
{
    switch (modulus)
    {
    case 99991:
        return hashModulo<99991>(name);
    case 997:
        return hashModulo<997>(name);
    case 947:
        return hashModulo<947>(name);
    default:
        break;
    }
    if (modulus < 1)
        return 0;
    const std::uint64_t m = static_cast<std::uint64_t>(modulus);
    std::uint64_t h = 0;
    for (const char c : name)
        h = (h * 256 + UPPER.value[static_cast<unsigned char>(c)]) % m;
    return static_cast<long>(h);
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
    char* const end = digits + sizeof digits;
    char* p = base == 36 ? writeDigits<36>(magnitude, end, _NUMBERS_AND_LETTERS)
                         : writeDigits(magnitude, static_cast<unsigned long>(base), end,
                                       _NUMBERS_AND_LETTERS);
    if (number < 0)
        *--p = '-';
    return std::string(p, end);
}
