// Random picks that go through the whole library before any picture comes
// again. The round is kept as short text between starts: the pictures shown
// so far (as hashes of their names) and the last one. Pictures added during
// a round join it, deleted ones drop out, and text that cannot be read
// starts a new round instead of stopping a pick.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class CRandomGenerator;

class CShuffleRound {
public:
    explicit CShuffleRound(const std::string& state);
    virtual ~CShuffleRound() = default;

    // Index of the next picture of the round in `names` (library file
    // names), or -1 for none. A round that has shown every picture starts
    // anew, never with the picture that ended the one before.
    int Pick(const std::vector<std::string>& names, CRandomGenerator& generator);
    // The round as text to keep.
    std::string State() const;

    // The name's identity in the round: the same whatever its letter case.
    static std::uint32_t HashOf(const std::string& name);

private:
    std::vector<std::uint32_t> m_shown;  // sorted
    std::uint32_t m_last = 0;
    bool m_bHasLast = false;
};
