// Code page 932 (Shift_JIS) texts: conversion at the OS boundary, the Japanese
// code guesser for request paths and credentials, and CP932-aware case folding.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ruz {

/// Length of the CP932 character at text[i]: 2 for a lead byte followed by a
/// byte that can follow it, else 1 (a broken lead byte stands alone).
std::size_t Cp932CharLength(std::string_view text, std::size_t i);

/// True when byte b starts a CP932 double-byte character (0x81-0x9F, 0xE0-0xFC).
bool IsCp932LeadByte(unsigned char b);

/// The longest prefix of cp932 that holds whole characters and at most maxBytes
/// bytes: a double-byte character is never cut in half. A lead byte at the very
/// end of the text, without its second byte, counts as one character.
std::string CutCp932(std::string_view cp932, std::size_t maxBytes);

/// CP932 bytes -> UTF-8 (for file names, process arguments, the terminal, the GUI).
/// Bytes that are not valid CP932 become U+FFFD.
std::string Cp932ToUtf8(std::string_view cp932);

/// UTF-8 -> CP932; a character CP932 lacks (or an invalid sequence) becomes "?",
/// as the Windows ANSI file functions do.
std::string Utf8ToCp932(std::string_view utf8);

/// The "Gs" conversion of a decoded request path: guesses the code of the text
/// (ASCII, ISO-2022-JP, UTF-8, CP932, EUC-JP) and converts it to CP932 without
/// widening half-width kana. The result is never longer than the input;
/// input that cannot be converted comes back unchanged. Stateless, thread-safe.
std::string ConvertToCp932Guessing(std::string_view text);

/// The "mB" conversion of Basic credentials: standard Base64 decoding, then the
/// same guess-and-convert as ConvertToCp932Guessing.
std::string DecodeBase64ToCp932(std::string_view base64);

/// Standard Base64 with its padding: a multiple of four characters of the
/// alphabet, "=" only as the last one or two; not empty.
bool IsWellFormedBase64(std::string_view text);

/// Plain Base64 decoding (standard alphabet, "=" padding optional, decoding stops
/// at the first byte outside the alphabet).
std::string DecodeBase64(std::string_view base64);

/// Letter case ignored for ASCII letters of single-byte characters only; the two
/// bytes of a double-byte character compare exactly.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

/// Position of the first occurrence of needle in text at or after from, with
/// letter case ignored as EqualsIgnoreCase does; std::string::npos when absent.
std::size_t FindIgnoreCase(std::string_view text, std::string_view needle, std::size_t from = 0);

}  // namespace ruz

/// A CP932 text made once from a UTF-8 literal: RUZ_CP932("接続") gives a
/// const std::string& holding the CP932 bytes.
#define RUZ_CP932(utf8_literal)                                             \
  ([]() -> const std::string & {                                            \
    static const std::string converted = ::ruz::Utf8ToCp932(utf8_literal); \
    return converted;                                                       \
  }())
