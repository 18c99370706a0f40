// The PE images of fixtures/FileVersion (see the README there) and helpers to damage them.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "Platform/File.h"

namespace Quellit::Testing {

using TBytes = std::vector<std::uint8_t>;

inline std::string PEFixturePath(const std::string& AName) {
  return std::string(QUELLIT_TEST_FIXTURES) + "/FileVersion/" + AName;
}

inline TBytes LoadPEFixture(const std::string& AName) { return Platform::ReadAllBytes(PEFixturePath(AName)); }

inline std::uint32_t GetU16(const TBytes& ABytes, std::size_t AAt) {
  return ABytes.at(AAt) | (ABytes.at(AAt + 1) << 8);
}
inline std::uint32_t GetU32(const TBytes& ABytes, std::size_t AAt) {
  return GetU16(ABytes, AAt) | (GetU16(ABytes, AAt + 2) << 16);
}
inline void PutU16(TBytes& ABytes, std::size_t AAt, std::uint32_t AValue) {
  ABytes.at(AAt) = static_cast<std::uint8_t>(AValue);
  ABytes.at(AAt + 1) = static_cast<std::uint8_t>(AValue >> 8);
}
inline void PutU32(TBytes& ABytes, std::size_t AAt, std::uint32_t AValue) {
  PutU16(ABytes, AAt, AValue & 0xFFFF);
  PutU16(ABytes, AAt + 2, AValue >> 16);
}

// Offset of the first occurrence of an ASCII text stored as UTF-16LE; fails the test when absent.
inline std::size_t FindUtf16(const TBytes& ABytes, const std::string& AText) {
  TBytes Pattern;
  for (char C : AText) Pattern.insert(Pattern.end(), {static_cast<std::uint8_t>(C), 0});
  for (std::size_t I = 0; I + Pattern.size() <= ABytes.size(); ++I)
    if (std::equal(Pattern.begin(), Pattern.end(), ABytes.begin() + static_cast<std::ptrdiff_t>(I))) return I;
  ADD_FAILURE() << AText << " not found in the image";
  return 0;
}

// The start of the version-resource node whose key is AKey (its 6-byte header precedes the key).
inline std::size_t VersionNode(const TBytes& ABytes, const std::string& AKey) { return FindUtf16(ABytes, AKey) - 6; }

}  // namespace Quellit::Testing
