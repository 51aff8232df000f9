// The classic C runtime generator, written out so that every runtime draws
// the same sequence: state = state * 214013 + 2531011, bits 16 to 30.
#pragma once
#include <cstdint>

class CRandomGenerator {
public:
    CRandomGenerator() = default;
    virtual ~CRandomGenerator() = default;

    void Seed(std::uint32_t seed) { m_state = seed; }
    // 0 to 32767.
    int Next();

private:
    std::uint32_t m_state = 1;
};
