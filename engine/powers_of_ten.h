// The powers of ten, made once by one recipe: 10^0 to 10^19 as whole numbers
// (all that 64 bits hold) and 10^0 to 10^22 as doubles (all that are exact:
// 10^22 = 2^22 * 5^22 and 5^22 < 2^53).
#pragma once

#include <array>
#include <cstdint>

namespace vd {

template <class T, std::size_t N>
constexpr std::array<T, N> PowersOfTen() {
    std::array<T, N> t{};
    T p = 1;
    for (std::size_t k = 0; k < N; ++k, p *= 10) t[k] = p;
    return t;
}

inline constexpr auto kTens = PowersOfTen<std::uint64_t, 20>();
inline constexpr auto kTensAsDouble = PowersOfTen<double, 23>();

}  // namespace vd
