// DES (FIPS 46), one 8-byte block at a time. The notices use it in electronic codebook mode.
#pragma once

#include <array>
#include <cstdint>

namespace lumvo {

using DesBlock = std::array<uint8_t, 8>;

// How the key bytes enter the key schedule. kStandard takes bit 7 of each key byte first, as FIPS 46
// does; kMirrored takes bit 0 first, the order the notices were enciphered with. A mirrored key is the
// standard key with every byte's bits reversed.
enum class DesKeyBits { kStandard, kMirrored };

class Des {
 public:
  Des(const DesBlock& key, DesKeyBits bits);

  DesBlock Encipher(const DesBlock& block) const;
  DesBlock Decipher(const DesBlock& block) const;

 private:
  uint64_t Crypt(uint64_t block, bool decipher) const;

  std::array<uint64_t, 16> subkeys_{};  // 48 bits each, round 1 first
};

}  // namespace lumvo
