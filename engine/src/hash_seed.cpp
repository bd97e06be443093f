// The process's hash keys, drawn once from the operating system when the library loads.
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>

#include "flat_map.hpp"
#include "splitmix64.hpp"

namespace moodvane::types {
namespace {

bool read_all(int fd, unsigned char* into, std::size_t size) noexcept {
  while (size > 0) {
    const ssize_t got = read(fd, into, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    into += got;
    size -= static_cast<std::size_t>(got);
  }
  return true;
}

HashKeys keys_from(std::uint64_t seed) noexcept {
  HashKeys keys{};
  keys.k0 = splitmix64(seed);
  keys.k1 = splitmix64(seed);
  keys.k2 = splitmix64(seed);
  // An odd multiplier operand never makes the mix degenerate for a whole class of inputs.
  keys.k1 |= 1;
  return keys;
}

}  // namespace

std::uint64_t os_random_seed() noexcept {
  std::uint64_t seed = 0;
  auto* bytes = reinterpret_cast<unsigned char*>(&seed);
  // getrandom does not block once the kernel's pool is initialised, which it is long before
  // any interpreter runs; GRND_NONBLOCK keeps an early-boot process from hanging here.
  std::size_t filled = 0;
  while (filled < sizeof seed) {
    const ssize_t got = getrandom(bytes + filled, sizeof seed - filled, GRND_NONBLOCK);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    filled += static_cast<std::size_t>(got);
  }
  if (filled == sizeof seed) return seed;
  if (const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC); fd >= 0) {
    const bool read = read_all(fd, bytes, sizeof seed);
    close(fd);
    if (read) return seed;
  }
  // No source of randomness at all: the clock and the library's load address, which address
  // space randomisation varies from process to process, at least keep the keys unknown.
  std::uint64_t state =
      static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
      reinterpret_cast<std::uintptr_t>(&seed) ^ static_cast<std::uint64_t>(getpid());
  return splitmix64(state);
}

void set_hash_seed(std::uint64_t seed) noexcept {
  detail::g_hash_keys = keys_from(seed);
}

namespace detail {
HashKeys g_hash_keys = keys_from(os_random_seed());
}  // namespace detail

}  // namespace moodvane::types
