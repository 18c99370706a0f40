// Value collections the product's types are built from: TSet<E>, a set of enumeration values.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

#include "Lib/Common/Common.Exception.h"

namespace Quellit {

// A set of values of the enumeration E, one bit per ordinal (0 to 255). Files and the serializer
// see it as a bit mask: bit n stands for the value of ordinal n.
template <class E>
class TSet {
 public:
  static constexpr std::size_t MaxElements = 256;

  TSet() = default;
  TSet(std::initializer_list<E> AValues) {
    for (E V : AValues) Include(V);
  }

  static TSet FromMask(std::uint64_t AMask) {
    TSet Result;
    for (std::size_t I = 0; I < 64; ++I)
      if ((AMask >> I) & 1u) Result.FBits.set(I);
    return Result;
  }
  // The ordinals 0 to 63 as a mask; higher members are not part of it.
  std::uint64_t Mask() const {
    std::uint64_t Result = 0;
    for (std::size_t I = 0; I < 64; ++I)
      if (FBits.test(I)) Result |= std::uint64_t{1} << I;
    return Result;
  }

  bool Contains(E AValue) const { return FBits.test(Ordinal(AValue)); }
  TSet& Include(E AValue) {
    FBits.set(Ordinal(AValue));
    return *this;
  }
  TSet& Exclude(E AValue) {
    FBits.reset(Ordinal(AValue));
    return *this;
  }
  bool IsEmpty() const { return FBits.none(); }
  std::size_t Count() const { return FBits.count(); }

  friend TSet operator+(TSet A, const TSet& B) {
    A.FBits |= B.FBits;
    return A;
  }
  friend TSet operator*(TSet A, const TSet& B) {
    A.FBits &= B.FBits;
    return A;
  }
  friend TSet operator-(TSet A, const TSet& B) {
    A.FBits &= ~B.FBits;
    return A;
  }
  friend bool operator==(const TSet&, const TSet&) = default;

 private:
  static std::size_t Ordinal(E AValue) {
    auto Value = static_cast<long long>(AValue);
    Assert(Value >= 0 && Value < static_cast<long long>(MaxElements), "set element out of range",
           "Lib/Common/Common.Collections");
    return static_cast<std::size_t>(Value);
  }

  std::bitset<MaxElements> FBits;
};

}  // namespace Quellit
