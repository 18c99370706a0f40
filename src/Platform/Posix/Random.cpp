#include "Platform/Random.h"

#include <sys/random.h>

#include <cerrno>

#include "Platform/Posix/SystemCall.h"
#include "Platform/SystemError.h"

namespace Quellit::Platform {

void FillRandom(std::uint8_t* ABuffer, std::size_t ASize) {
  std::size_t Done = 0;
  while (Done < ASize) {
    const ssize_t Got = RetryOnInterrupt([&] { return ::getrandom(ABuffer + Done, ASize - Done, 0); });
    if (Got < 0) RaiseOSError(errno);
    Done += static_cast<std::size_t>(Got);
  }
}

}  // namespace Quellit::Platform
