// The version block of an executable, built from the project version set in CMake. Only
// executables compile this file in; ReadFileVersion finds the block by its signature.
#include <cstdint>

#define STROVIK_BYTE(value, shift) static_cast<unsigned char>(((value) >> (shift)) & 0xFF)
#define STROVIK_WORD(value) STROVIK_BYTE(value, 0), STROVIK_BYTE(value, 8), STROVIK_BYTE(value, 16), STROVIK_BYTE(value, 24)

namespace {
constexpr std::uint32_t kMostSignificant = (STROVIK_VERSION_MAJOR << 16) | STROVIK_VERSION_MINOR;
constexpr std::uint32_t kLeastSignificant = (STROVIK_VERSION_PATCH << 16) | STROVIK_VERSION_TWEAK;
}  // namespace

extern "C" __attribute__((used)) const unsigned char strovik_version_stamp[20] = {
    'S', 'T', 'R', 'O', 'V', 'I', 'K', '_', 'V', 'E', 'R', 0xFE,
    STROVIK_WORD(kMostSignificant), STROVIK_WORD(kLeastSignificant)};
