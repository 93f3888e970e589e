// SPDX-FileCopyrightText: The Myoruka developers
// SPDX-License-Identifier: MIT

#pragma once

#include <cstdint>
#include <random>

// The program's one source of chance. Every draw yields a value in [0, 1); tests replace
// it with a scripted sequence to reach each branch exactly.
class Random {
public:
    virtual ~Random() = default;
    virtual float next() = 0;

    // A whole number 0 .. n-1 from next() times n, cut down, never rounded to nearest.
    int below(int n) { return static_cast<int>(static_cast<double>(next()) * n); }
};

// Seeded once from the clock. Built from 24 random bits so that 1.0 can never come out,
// which a float conversion of a wider integer could round up to.
class ClockRandom : public Random {
public:
    ClockRandom();
    explicit ClockRandom(std::uint32_t seed) : m_gen(seed) {}
    float next() override { return static_cast<float>(m_gen() >> 8) * (1.0f / 16777216.0f); }

private:
    std::mt19937 m_gen;
};
