// The program's built-in table of standard error messages, packed in the error table format
// that ErrorManager::LoadErrorTable reads. It is a constant built at compile time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace fw {

inline constexpr size_t kDefaultErrorCount = 41;

std::span<const uint8_t> DefaultErrorTable();

}  // namespace fw
