// The system's random source, for names nobody can guess and fresh identifiers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Quellit::Platform {

// Fills the buffer from the system's cryptographic generator; EOSError when it fails.
void FillRandom(std::uint8_t* ABuffer, std::size_t ASize);

}  // namespace Quellit::Platform
