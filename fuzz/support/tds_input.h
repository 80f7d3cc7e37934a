#pragma once
// Fuzzed pieces of TDS messages for the stand-in server's readers.
#include <fuzzer/FuzzedDataProvider.h>

#include <span>
#include <string>
#include <vector>

namespace fuzz {

// Up to maxUnits 16-bit characters, any of them (lone surrogates included).
inline std::u16string Utf16Text(FuzzedDataProvider& input, std::size_t maxUnits) {
  std::u16string text;
  const auto units = input.ConsumeIntegralInRange<std::size_t>(0, maxUnits);
  for (std::size_t i = 0; i < units && input.remaining_bytes() > 0; ++i) {
    text.push_back(static_cast<char16_t>(input.ConsumeIntegral<std::uint16_t>()));
  }
  return text;
}

inline std::vector<std::uint8_t> Bytes(FuzzedDataProvider& input, std::size_t maxBytes) {
  return input.ConsumeBytes<std::uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, maxBytes));
}

}  // namespace fuzz
