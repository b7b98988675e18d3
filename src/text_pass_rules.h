// What the pass over a record's text looks for in each format, made at
// compile time from the escaper's own table of it, so that the two cannot
// disagree; text_pass_lanes.h looks for it.
#ifndef ECRITURE_TEXT_PASS_RULES_H
#define ECRITURE_TEXT_PASS_RULES_H

#include "escape_rules.h"

namespace text_lanes {

using escape_rules::Action;
using escape_rules::kPolicies;
using escape_rules::Policy;

// What the pass looks for, made from the escaper's own table of the format
// so that the two cannot disagree.
struct PassRules {
    // Every control below the space is changed.
    bool controls;
    // The quotation mark is changed too, and the space is not: the mark is
    // tested with the controls.
    bool quoteWithControls;
    // The other ASCII bytes changed, 0 for none: a text holds no NUL.
    unsigned char changed[4];
    // The bytes that put a CSV field in quotes, shown as they are.
    unsigned char quoting[4];
    // 0x80 and up are read as UTF-8 (else shown as they are), and which
    // valid characters are changed: the C1 controls, U+2028 and U+2029,
    // U+FFFE and U+FFFF.
    bool utf8;
    bool c1;
    bool separators;
    bool noncharacters;
};

constexpr bool IsQuoting(Action a)
{
    return a == escape_rules::kQuoting || a == escape_rules::kQuotingDouble;
}

// Whether a byte below 0x80 is shown otherwise: a CSV field's comma or
// line end is not, as it is only quoted.
constexpr bool IsChanged(Action a)
{
    return a != escape_rules::kPlain && a != escape_rules::kQuoting;
}

// Adds b to the bytes of a list of four; false when the list is full.
constexpr bool AddByte(unsigned char (&list)[4], int b)
{
    std::size_t k = 0;
    while (k < sizeof list && list[k] != 0)
        ++k;
    if (k == sizeof list)
        return false;
    list[k] = static_cast<unsigned char>(b);
    return true;
}

constexpr PassRules MakePassRules(TextPolicy which)
{
    const Policy& p = kPolicies[static_cast<int>(which)];
    PassRules r{};
    r.controls = true;
    for (int b = 1; b < 0x20; ++b)
        r.controls = r.controls && IsChanged(p.action[b]);
    r.utf8 = p.action[0x80] == escape_rules::kLead;
    // The test of the controls is also that of the rare bytes (see IsChangedByte).
    r.quoteWithControls =
        r.controls && r.utf8 && IsChanged(p.action[int{'"'}]) && !IsChanged(p.action[int{' '}]);
    for (int b = 1; b < 0x80; ++b) {
        bool listed =
            IsChanged(p.action[b]) && (b >= 0x20 || !r.controls) && !(b == '"' && r.quoteWithControls);
        if ((listed && !AddByte(r.changed, b)) || (IsQuoting(p.action[b]) && !AddByte(r.quoting, b)))
            throw "more bytes changed than the pass looks for";
    }
    for (int b = 0x80; b < 0x100; ++b)
        if (p.action[b] != (r.utf8 ? escape_rules::kLead : escape_rules::kPlain))
            throw "bytes of 0x80 and up that are neither all UTF-8 nor all as they are";
    r.c1 = p.c1 != escape_rules::kAsIs;
    r.separators = p.separator != escape_rules::kAsIs;
    r.noncharacters = p.noncharacter != escape_rules::kAsIs;
    return r;
}

template <TextPolicy P>
inline constexpr PassRules kRules = MakePassRules(P);

} // namespace text_lanes

#endif
