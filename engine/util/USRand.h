// CUSRand: the game's random numbers (scenario random opcode, script GetRandInt / GetRandFloat) from
// the minimal-standard generator with Boost.Random's uniform distributions, so that a seed gives the
// same sequence as those Boost algorithms.
#pragma once
#include <cstdint>

#include <boost/random/linear_congruential.hpp>

class CUSRand {
public:
    virtual ~CUSRand() = default;
    // State = seed mod 2147483647, and 1 in place of 0.
    virtual void Seed(std::uint32_t seed);
    // Uniform in [min, max]; min when they are equal (without drawing). Reversed bounds are swapped.
    virtual int GetInt(int min, int max);
    // Uniform in [min, max); min when they are equal (without drawing). Reversed bounds are swapped.
    virtual float GetFloat(float min, float max);
    virtual double GetDouble(double min, double max);

private:
    boost::random::minstd_rand engine_{1u};
};
