// CUSRand over boost::random::minstd_rand and Boost's uniform integer and real distributions.
#include "engine/util/USRand.h"

#include <utility>

#include <boost/random/uniform_int_distribution.hpp>
#include <boost/random/uniform_real_distribution.hpp>

namespace {

template <class T>
void Order(T& min, T& max) {
    if (max < min) std::swap(min, max);
}

}  // namespace

void CUSRand::Seed(std::uint32_t seed) {
    std::uint32_t state = seed % 2147483647u;
    engine_.seed(state == 0 ? 1u : state);
}

int CUSRand::GetInt(int min, int max) {
    if (min == max) return min;
    Order(min, max);
    return boost::random::uniform_int_distribution<int>(min, max)(engine_);
}

float CUSRand::GetFloat(float min, float max) {
    if (min == max) return min;
    Order(min, max);
    return boost::random::uniform_real_distribution<float>(min, max)(engine_);
}

double CUSRand::GetDouble(double min, double max) {
    if (min == max) return min;
    Order(min, max);
    return boost::random::uniform_real_distribution<double>(min, max)(engine_);
}
