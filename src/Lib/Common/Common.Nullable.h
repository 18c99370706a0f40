// A value or nothing. The presence marker is a string ("1" or empty) so that a record that was
// never assigned is null without any initialisation.
#pragma once

#include <string>
#include <utility>

namespace Quellit {

template <class T>
struct TNullable {
  // Stands for "no value" in assignments and comparisons: N = TNullable<int>::TNull().
  struct TNull {};

  T FValue{};
  std::string FHasValue;

  TNullable() = default;
  TNullable(const T& AValue) : FValue(AValue), FHasValue("1") {}
  TNullable(T&& AValue) : FValue(std::move(AValue)), FHasValue("1") {}
  // Also resets the value, so a null record never holds a stale one.
  TNullable(TNull) {}

  static TNullable Init(const T& AValue) { return TNullable(AValue); }
  static TNullable Null() { return TNullable(); }

  bool IsNull() const { return FHasValue.empty(); }
  bool HasValue() const { return !IsNull(); }
  T ValueOrDefault(const T& ADef) const { return HasValue() ? FValue : ADef; }
  T ValueOrDefault() const { return HasValue() ? FValue : T{}; }

  friend bool operator==(const TNullable& A, const T& B) { return A.HasValue() && A.FValue == B; }
  friend bool operator==(const TNullable& A, TNull) { return A.IsNull(); }
  friend bool operator==(const TNullable& A, const TNullable& B) {
    if (A.IsNull() || B.IsNull()) return A.IsNull() && B.IsNull();
    return A.FValue == B.FValue;
  }
};

}  // namespace Quellit
