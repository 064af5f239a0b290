// The enciphered form of notices and of the notice sources' addresses, both ways: the program deciphers,
// the maintainer's tool (tools/lumvo-notice.cpp) enciphers with the same code.
//
// An enciphered block is n bytes, n a positive multiple of 8, DES in electronic codebook mode with the
// key folded from the key text. Deciphered it holds a 4-byte little-endian signed length L, the L payload
// bytes and zero bytes up to the next multiple of 8.
#pragma once

#include <string>
#include <string_view>

namespace lumvo {

// The key of every notice and every source address.
inline constexpr std::string_view kNoticeKeyText = "916240752";

// The markers around the hexadecimal notice in the backup source's page.
inline constexpr std::string_view kPageNoticeOpen = "@@408172593";
inline constexpr std::string_view kPageNoticeClose = "408172593@@";

// The payload of an enciphered block; empty when the size or the length prefix does not fit.
std::string DecipherData(std::string_view bytes, std::string_view keyText);
// The block DecipherData turns back into `payload`.
std::string EncipherData(std::string_view payload, std::string_view keyText);

// The bytes up to the first zero byte, or all of them.
std::string ReadAsText(std::string_view bytes);

// Hexadecimal text to bytes, after blanks (ASCII and full-width) are trimmed from both ends. An odd
// number of bytes gives nothing. Pairs are read case-blind, full-width digits and letters as plain ones;
// a pair that is not two hexadecimal digits gives the byte 0.
std::string ReadHexBytes(std::string_view text);
// Upper-case hexadecimal text of the bytes.
std::string HexText(std::string_view bytes);

// ReadAsText(DecipherData(ReadHexBytes(text), kNoticeKeyText)).
std::string DecipherHexText(std::string_view text);
// The upper-case hexadecimal text DecipherHexText turns back into `text`.
std::string EncipherHexText(std::string_view text);

// What the maintainer publishes: the primary source's whole body, and the text to put into the backup
// source's page (optionally already between its markers).
std::string EncipherNoticeBody(std::string_view notice);
std::string EncipherPageNotice(std::string_view notice, bool withMarkers);

}  // namespace lumvo
