#include "framework/browse/step_string_manager.h"

#include <algorithm>
#include <string_view>

#include "runtime/values/decimal.h"

namespace fw {
namespace {

constexpr size_t kPrefixBytes = 3;

int64_t Weight(std::string_view text) {
  int64_t w = 0;
  for (size_t i = 0; i < kPrefixBytes; ++i) {
    unsigned char c = i < text.size() ? static_cast<unsigned char>(text[i]) : ' ';
    w = w * 256 + c;
  }
  return w;
}

// The greatest text of whole UTF-8 characters (within the same bytes) that does not sort
// after text, so a thumb moved down never yields an earlier text than before.
std::string FloorToCharacters(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : (lead >= 0xC2 && lead < 0xE0) ? 2
                  : (lead >= 0xE0 && lead < 0xF0) ? 3 : (lead >= 0xF0 && lead < 0xF5) ? 4 : 0;
    bool whole = length != 0 && i + length <= text.size();
    for (size_t k = 1; whole && k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) whole = false;
    }
    if (whole) {
      i += length;
      continue;
    }
    std::string out = text.substr(0, i);
    // With one byte left only an ASCII character fits.
    if (lead < 0xC2 || i + 1 == text.size()) return out + "\x7F";
    if (length == 2) {
      unsigned char next = static_cast<unsigned char>(text[i + 1]);
      if (next > 0xBF) return out + static_cast<char>(lead) + "\xBF";
      return lead == 0xC2 ? out + "\x7F" : out + static_cast<char>(lead - 1) + "\xBF";
    }
    return out + "\xDF\xBF";  // longer characters that do not fit: the last two-byte one
  }
  return text;
}

}  // namespace

uint8_t StepStringManager::PercentForValue(const rt::AnyRef& value) {
  if (value.IsNull()) return 0;
  int64_t low = Weight(LOW), high = Weight(HIGH);
  if (high <= low) return 0;
  int64_t w = std::clamp(Weight(value.RawText()), low, high);
  int64_t position = rt::Decimal::FromLong(w - low)
                         .Divide(rt::Decimal::FromLong(high - low))
                         .Mul(rt::Decimal::FromLong(100))
                         .ToLong();
  return static_cast<uint8_t>(std::clamp<int64_t>(position, 0, 100));
}

rt::OwnedValue StepStringManager::ValueForPercent(uint8_t position) {
  int64_t low = Weight(LOW), high = Weight(HIGH);
  int64_t span = high > low ? high - low : 0;
  int64_t w = rt::Decimal::FromLong(std::min<int64_t>(position, 100))
                  .Divide(rt::Decimal::FromLong(100))
                  .Mul(rt::Decimal::FromLong(span))
                  .Add(rt::Decimal::FromLong(low))
                  .ToLong();
  w = std::clamp(w, low, low + span);
  std::string text(kPrefixBytes, ' ');
  for (size_t i = kPrefixBytes; i-- > 0;) {
    text[i] = static_cast<char>(w & 0xFF);
    w >>= 8;
  }
  text = FloorToCharacters(text);
  while (!text.empty() && text.back() == ' ') text.pop_back();
  rt::OwnedValue result(rt::Type::String, kPrefixBytes);
  result.Ref().SetText(text);
  return result;
}

void StepStringManager::Teardown() {
  LOW.clear();
  HIGH.clear();
}

void StepStringManager::SetRangeEnds(const rt::AnyRef& low, const rt::AnyRef& high) {
  LOW = low.RawText();
  HIGH = high.RawText();
  // A descending key gives the ends the other way round; the range is the same.
  if (Weight(HIGH) < Weight(LOW)) std::swap(LOW, HIGH);
}

bool StepStringManager::RangeEndsNeeded() { return true; }

}  // namespace fw
