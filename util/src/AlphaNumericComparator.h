#ifndef QVX_ALPHA_NUMERIC_COMPARATOR_H
#define QVX_ALPHA_NUMERIC_COMPARATOR_H

#include <string>

#include "QvxExport.h"

// Natural ordering of names: runs of digits compare by their numeric value, so
// "file2" sorts before "file10". operator() is a sorting predicate; compare()
// a three-way comparison whose sign runs against the usual convention (1 means
// that a sorts before b, 0 that a and b are equal ignoring case). By default the
// case of letters is ignored; a case-sensitive comparator is case-sensitive only
// up to the end of the first block of letters and digits. A comparison never
// allocates and never fails; digit runs beyond the 32-bit range count as 0.
//
// Sorting safety. Two texts that are both integers ("-5", "3", "007": digits
// with an optional leading minus sign) compare by signed value, while all other
// texts compare block by block with a minus sign counted as a letter. The two
// rules disagree about negative numbers, so the ordering is not transitive once
// such texts meet other names: "-5" < "3" (integers), "3" < "-3a" (leading
// runs "" < "-"), "-3a" < "-5" (digit values 3 < 5). The same holds after the
// first block, so the names that can break transitivity are those that
//   - are a minus sign followed only by digits ("-5", "-"), or
//   - end in a digit, a minus sign and nothing but digits after it
//     ("x1-2", "10-20", dates such as "2020-01-05", which also sort with their
//     last field reversed: "2020-01-07" before "2020-01-05").
// On any set of names without such texts the ordering is a strict weak ordering
// and every standard algorithm works with it. On arbitrary input:
//   - std::stable_sort and std::list::sort are safe: they stay inside the range
//     and end (with a permutation whose order is only as good as the input
//     allows). qvxutil natsort uses std::stable_sort.
//   - std::sort is NOT safe: its unguarded partitioning relies on transitivity
//     and can read and write past the range. Do not use std::sort, nor
//     std::nth_element, with this comparator on names you do not control.
//   - std::set / std::map may then lose or duplicate keys.
//
// operator() is const and does not modify the object; one comparator may be
// shared by threads once its case-sensitivity is no longer changed.
class QVXUTIL_API AlphaNumericComparator
{
public:
    AlphaNumericComparator();
    explicit AlphaNumericComparator(bool caseSensitive);
    AlphaNumericComparator(const AlphaNumericComparator& other);
    AlphaNumericComparator& operator=(const AlphaNumericComparator& other);
    virtual ~AlphaNumericComparator();

    bool operator()(const std::string& a, const std::string& b) const;
    int compare(const std::string& a, const std::string& b) const;

    bool getCaseSensitive() const;
    void setCaseSensitive(bool caseSensitive);

private:
    bool _caseSensitive;
};

#endif
