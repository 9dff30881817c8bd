#include "runtime/values/text.h"

namespace rt {

std::string_view Clip(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && text[n - 1] == ' ') --n;
  return text.substr(0, n);
}

std::string_view CutToBytes(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return text;
  size_t n = max_bytes;
  // Back off over continuation bytes; if the sequence they belong to started before n and is
  // cut by n, drop its lead byte too.
  size_t k = n;
  while (k > 0 && (static_cast<unsigned char>(text[k]) & 0xC0) == 0x80) --k;
  // text[k] is the lead byte of the sequence that n falls into (or n itself is a lead byte).
  if (k < n || (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) n = k;
  return text.substr(0, n);
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (size_t i = 0; i < out.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(out[i]);
    if (c >= 'a' && c <= 'z') {
      out[i] = static_cast<char>(c - 32);
    } else if ((c == 0xD0 || c == 0xD1) && i + 1 < out.size()) {
      unsigned char d = static_cast<unsigned char>(out[i + 1]);
      unsigned cp = ((c & 0x1Fu) << 6) | (d & 0x3Fu);
      if ((d & 0xC0) != 0x80) continue;
      unsigned up = cp;
      if (cp >= 0x430 && cp <= 0x44F) up = cp - 0x20;        // а..я
      else if (cp >= 0x450 && cp <= 0x45F) up = cp - 0x50;   // ѐ..џ, ё among them
      if (up != cp) {
        out[i] = static_cast<char>(0xC0 | (up >> 6));
        out[i + 1] = static_cast<char>(0x80 | (up & 0x3F));
      }
      ++i;
    }
  }
  return out;
}

int CompareBlankPadded(std::string_view a, std::string_view b, bool no_case) {
  std::string ua, ub;
  if (no_case) {
    ua = Upper(a);
    ub = Upper(b);
    a = ua;
    b = ub;
  }
  size_t n = a.size() > b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = i < a.size() ? static_cast<unsigned char>(a[i]) : ' ';
    unsigned char cb = i < b.size() ? static_cast<unsigned char>(b[i]) : ' ';
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return 0;
}

}  // namespace rt
