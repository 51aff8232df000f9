#include "engine/shuffle_round.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "engine/random_generator.h"
#include "library/file_tools.h"

namespace {

const char kVersion[] = "1";

// Eight hexadecimal digits at p; false for anything else.
bool ReadHash(const char* p, std::uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 8; ++i) {
        const char c = p[i];
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return true;
}

}  // namespace

std::uint32_t CShuffleRound::HashOf(const std::string& name)
{
    // FNV-1a of the upper-case name.
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : CFileTools::UpperCase(name)) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

CShuffleRound::CShuffleRound(const std::string& state)
{
    // "1:LLLLLLLL:HHHHHHHH,HHHHHHHH,..." (the last picture, then those shown);
    // anything else is a new round.
    if (state.size() < 11 || state.compare(0, 2, std::string(kVersion) + ":") != 0 || state[10] != ':' ||
        !ReadHash(state.c_str() + 2, m_last))
        return;
    m_bHasLast = true;
    for (size_t at = 11; at < state.size(); at += 9) {
        std::uint32_t hash = 0;
        if (at + 8 > state.size() || !ReadHash(state.c_str() + at, hash) ||
            (at + 8 < state.size() && state[at + 8] != ',')) {
            m_shown.clear();  // damaged: the pictures shown so far are forgotten, the last one kept
            break;
        }
        m_shown.push_back(hash);
    }
    std::sort(m_shown.begin(), m_shown.end());
}

int CShuffleRound::Pick(const std::vector<std::string>& names, CRandomGenerator& generator)
{
    if (names.empty())
        return -1;
    const auto shown = [&](std::uint32_t hash) { return std::binary_search(m_shown.begin(), m_shown.end(), hash); };
    std::vector<int> waiting;
    for (size_t i = 0; i < names.size(); ++i)
        if (!shown(HashOf(names[i])))
            waiting.push_back(static_cast<int>(i));
    if (waiting.empty()) {
        // A new round: everything again, but not the picture just shown.
        m_shown.clear();
        for (size_t i = 0; i < names.size(); ++i)
            if (names.size() == 1 || !m_bHasLast || HashOf(names[i]) != m_last)
                waiting.push_back(static_cast<int>(i));
        if (waiting.empty())  // every name is the last one's (letter case only differs)
            waiting.push_back(0);
    }
    // Two draws of 15 bits: libraries may hold more than 32768 pictures.
    const size_t draw = static_cast<size_t>(generator.Next()) << 15 | static_cast<size_t>(generator.Next());
    const int index = waiting[draw % waiting.size()];
    m_last = HashOf(names[static_cast<size_t>(index)]);
    m_bHasLast = true;
    m_shown.insert(std::upper_bound(m_shown.begin(), m_shown.end(), m_last), m_last);
    return index;
}

std::string CShuffleRound::State() const
{
    if (!m_bHasLast)
        return std::string();
    std::string text = std::string(kVersion) + ":";
    char hex[10];
    std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(m_last));
    text += hex;
    text += ':';
    for (size_t i = 0; i < m_shown.size(); ++i) {
        std::snprintf(hex, sizeof hex, i ? ",%08X" : "%08X", static_cast<unsigned>(m_shown[i]));
        text += hex;
    }
    return text;
}
