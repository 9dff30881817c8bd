// Fuzzes pictures: "<picture>|<typed text>". Besides never crashing, it holds the picture to its
// promises: Format always fills W exactly; whatever it shows without "#" is read back by
// ParseInput as that very number (and, up to 15 digits, shows again as the same text); and a
// typed text that is accepted shows without "#" when the picture has at most 15 digits.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "runtime/values/picture.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

size_t CountDigits(std::string_view s) {
  size_t n = 0;
  for (char c : s) n += c >= '0' && c <= '9';
  return n;
}

void CheckFormat(const rt::Picture& p, double value) {
  std::string shown = p.Format(value);
  Check(p.Width() ? shown.size() == static_cast<size_t>(p.Width()) : !shown.empty());
  if (shown.find('#') != std::string::npos) return;
  std::string plain;
  for (char c : shown) {
    if (c != ',' && c != ' ') plain += c;
  }
  double number = -1;
  auto res = std::from_chars(plain.data(), plain.data() + plain.size(), number);
  Check(res.ec == std::errc() && res.ptr == plain.data() + plain.size());
  double back = -1;
  Check(p.ParseInput(shown, &back));
  Check(back == number);
  if (CountDigits(shown) <= 15) Check(p.Format(back) == shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view all(reinterpret_cast<const char*>(data), size);
  size_t bar = all.find('|');
  std::string_view picture_text = all.substr(0, bar);
  std::string_view input = bar == std::string_view::npos ? std::string_view() : all.substr(bar + 1);

  auto parsed = rt::Picture::Parse(picture_text);
  // An unreadable picture still lets the input and the bytes exercise a real one.
  const rt::Picture p = parsed ? *parsed : *rt::Picture::Parse("n_10.2");

  double typed = -1;
  if (p.ParseInput(input, &typed)) {
    Check(typed >= 0 && std::isfinite(typed));
    if (p.Width() == 0 || p.Width() <= 15) Check(p.Format(typed).find('#') == std::string::npos);
    CheckFormat(p, typed);
  }
  double any = 0;
  auto res = std::from_chars(input.data(), input.data() + input.size(), any);
  if (res.ec == std::errc()) CheckFormat(p, any);
  if (size >= sizeof(double)) {
    std::memcpy(&any, data + size - sizeof(double), sizeof(double));
    CheckFormat(p, any);
  }
  return 0;
}
