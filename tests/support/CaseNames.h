#pragma once

#include <string>

// A test-case name for a row of a table of cases: its position, then the
// letters and digits of hint (others become "_"), so that a failing row
// names itself in the output instead of printing its bytes.
inline std::string CaseName(size_t index, const std::string &hint)
{
    std::string name = "c" + std::to_string(index);
    if (!hint.empty())
        name += '_';
    for (const char c : hint) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain)
            name += c;
        else if (name.back() != '_')
            name += '_';
    }
    while (name.back() == '_')
        name.pop_back();
    return name;
}
