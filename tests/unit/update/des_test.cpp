#include <gtest/gtest.h>
#include <openssl/des.h>

#include <random>
#include <string>

#include "update/des.h"

namespace lumvo::testing {
namespace {

DesBlock FromHex(const std::string& hex) {
  DesBlock b{};
  for (size_t i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(std::stoul(hex.substr(2 * i, 2), nullptr, 16));
  return b;
}

uint8_t Reversed(uint8_t b) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r | (((b >> i) & 1u) << (7 - i)));
  return r;
}

// Published vectors: the worked example, the classic "Now is t" block, and entries of the NBS
// validation tables (variable plaintext and variable key under the otherwise empty key 0101..01).
TEST(DesTest, StandardKeyOrderMatchesPublishedVectors) {
  const struct {
    const char *key, *plain, *cipher;
  } cases[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
      {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
      {"0E329232EA6D0D73", "8787878787878787", "0000000000000000"},
      {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
      {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
      {"0101010101010101", "0000000000000001", "166B40B44ABA4BD6"},
      {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
      {"4001010101010101", "0000000000000000", "0EEC1487DD8C26D5"},
      {"0101010101010180", "0000000000000000", "9CC62DF43B6EED74"},
      {"0101010101010102", "0000000000000000", "869EFD7F9F265A09"},
  };
  for (const auto& c : cases) {
    const Des des(FromHex(c.key), DesKeyBits::kStandard);
    EXPECT_EQ(des.Encipher(FromHex(c.plain)), FromHex(c.cipher)) << c.key << " " << c.plain;
    EXPECT_EQ(des.Decipher(FromHex(c.cipher)), FromHex(c.plain)) << c.key << " " << c.cipher;
  }
}

// Parity bits are the last bit of each key byte in the standard order and the first in the mirrored one.
TEST(DesTest, MirroredOrderIgnoresTheFirstBitOfEachKeyByte) {
  const DesBlock plain = FromHex("0123456789ABCDEF");
  const Des reference(FromHex("0E329232EA6D0D73"), DesKeyBits::kStandard);
  DesBlock mirrored;
  for (size_t i = 0; i < 8; ++i) mirrored[i] = Reversed(FromHex("0E329232EA6D0D73")[i]);
  DesBlock flipped = mirrored;
  for (uint8_t& b : flipped) b ^= 0x80;
  EXPECT_EQ(Des(mirrored, DesKeyBits::kMirrored).Encipher(plain), reference.Encipher(plain));
  EXPECT_EQ(Des(flipped, DesKeyBits::kMirrored).Encipher(plain), reference.Encipher(plain));
  flipped[3] ^= 0x01;
  EXPECT_NE(Des(flipped, DesKeyBits::kMirrored).Encipher(plain), reference.Encipher(plain));
}

DesBlock OpenSslEcb(const DesBlock& key, const DesBlock& in, bool encipher) {
  DES_cblock k;
  for (size_t i = 0; i < 8; ++i) k[i] = key[i];
  DES_key_schedule schedule;
  DES_set_key_unchecked(&k, &schedule);
  DES_cblock input, output;
  for (size_t i = 0; i < 8; ++i) input[i] = in[i];
  DES_ecb_encrypt(&input, &output, &schedule, encipher ? DES_ENCRYPT : DES_DECRYPT);
  DesBlock out;
  for (size_t i = 0; i < 8; ++i) out[i] = output[i];
  return out;
}

TEST(DesTest, AgreesWithOpenSslOverRandomKeysAndBlocks) {
  std::mt19937 random(20151119);
  auto randomBlock = [&] {
    DesBlock b;
    for (uint8_t& x : b) x = static_cast<uint8_t>(random());
    return b;
  };
  for (int i = 0; i < 2000; ++i) {
    const DesBlock key = randomBlock(), block = randomBlock();
    DesBlock reversedKey;
    for (size_t j = 0; j < 8; ++j) reversedKey[j] = Reversed(key[j]);

    const Des standard(key, DesKeyBits::kStandard);
    ASSERT_EQ(standard.Encipher(block), OpenSslEcb(key, block, true)) << i;
    ASSERT_EQ(standard.Decipher(block), OpenSslEcb(key, block, false)) << i;

    const Des mirrored(key, DesKeyBits::kMirrored);
    ASSERT_EQ(mirrored.Encipher(block), OpenSslEcb(reversedKey, block, true)) << i;
    ASSERT_EQ(mirrored.Decipher(block), OpenSslEcb(reversedKey, block, false)) << i;
  }
}

}  // namespace
}  // namespace lumvo::testing
