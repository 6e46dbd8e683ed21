// Random numbers for the property tests, seeded from GoogleTest's random seed: every failure
// names the seed, and --gtest_random_seed=<seed> repeats the run.
#pragma once

#include <gtest/gtest.h>

#include <random>
#include <string>

class SeededRandom {
public:
    // A number from low to high, both included.
    unsigned Pick(unsigned low, unsigned high) {
        return std::uniform_int_distribution<unsigned>(low, high)(m_engine);
    }

private:
    unsigned m_seed = unsigned(::testing::UnitTest::GetInstance()->random_seed());
    std::mt19937 m_engine{m_seed};
    ::testing::ScopedTrace m_trace{__FILE__, __LINE__,
                                   "--gtest_random_seed=" + std::to_string(m_seed)};
};
