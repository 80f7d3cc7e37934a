#pragma once
// CRC-32 as ZIP stores it: reflected polynomial 0xEDB88320, register preset to all ones and
// inverted at the end.
#include <cstddef>
#include <cstdint>

namespace rar_standin {

class Crc32 {
 public:
  void Update(const void* data, std::size_t size);
  [[nodiscard]] std::uint32_t Value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

std::uint32_t Crc32Of(const void* data, std::size_t size);

}  // namespace rar_standin
