// Packs a list of error definitions, written as constants, into the table format that
// ErrorManager::LoadErrorTable reads, at compile time. The program's default table and any
// table a program loads over it (another language, its own messages) are built the same way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fw {

struct ErrorTableEntry {
  uint16_t id;
  uint8_t fatality;
  std::string_view title;
  std::string_view message;
};

namespace error_table_detail {

template <size_t N>
constexpr size_t PackedSize(const ErrorTableEntry (&entries)[N]) {
  size_t n = 2;
  for (const ErrorTableEntry& e : entries) n += 5 + e.title.size() + e.message.size();
  return n;
}

// Each text has a one-byte length in the packed form.
template <size_t N>
constexpr bool TextsFit(const ErrorTableEntry (&entries)[N]) {
  for (const ErrorTableEntry& e : entries) {
    if (e.title.size() > 255 || e.message.size() > 255) return false;
  }
  return true;
}

// A repeated id inside one table would hide the earlier entry's text.
template <size_t N>
constexpr bool IdsDistinct(const ErrorTableEntry (&entries)[N]) {
  for (size_t i = 0; i < N; ++i) {
    for (size_t j = i + 1; j < N; ++j) {
      if (entries[i].id == entries[j].id) return false;
    }
  }
  return true;
}

}  // namespace error_table_detail

// The packed bytes of entries, in their order: a 16-bit LE count, then per entry ID LE16,
// FATALITY, title length, title, message length, message.
template <const auto& kEntries>
constexpr auto PackErrorTable() {
  static_assert(error_table_detail::TextsFit(kEntries),
                "a title or message is longer than its one-byte length allows");
  static_assert(error_table_detail::IdsDistinct(kEntries), "an id appears twice in the table");
  constexpr size_t kSize = error_table_detail::PackedSize(kEntries);
  std::array<uint8_t, kSize> out{};
  size_t at = 0;
  auto put = [&](uint8_t b) { out[at++] = b; };
  constexpr size_t kCount = std::size(kEntries);
  put(kCount & 0xFF);
  put(kCount >> 8);
  for (const ErrorTableEntry& e : kEntries) {
    put(e.id & 0xFF);
    put(e.id >> 8);
    put(e.fatality);
    put(static_cast<uint8_t>(e.title.size()));
    for (char c : e.title) put(static_cast<uint8_t>(c));
    put(static_cast<uint8_t>(e.message.size()));
    for (char c : e.message) put(static_cast<uint8_t>(c));
  }
  return out;
}

}  // namespace fw
