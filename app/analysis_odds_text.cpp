#include "app/analysis_odds_text.h"

#include <algorithm>
#include <cstdint>
#include <optional>

namespace app {
namespace {

constexpr int64_t kMaxCents = static_cast<int64_t>(kMaxOdds) * 100;
// Digits beyond this many cannot make a value at or below kMaxOdds meaningful and would
// overflow the whole-number arithmetic below.
constexpr size_t kMaxDigits = 12;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i]) return false;
  }
  return true;
}

// A whole number written with digits only; past kMaxDigits significant digits it stands for
// "too large" as kTooLarge, which every caller refuses by its size.
constexpr int64_t kTooLarge = int64_t{1} << 60;

std::optional<int64_t> WholeNumber(std::string_view digits) {
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
  if (digits.size() > kMaxDigits) return kTooLarge;
  int64_t value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// numerator / denominator rounded half away from zero, both positive or zero.
int64_t RoundedQuotient(int64_t numerator, int64_t denominator) {
  return (2 * numerator + denominator) / (2 * denominator);
}

OddsText Refused(std::string reason) { return OddsText{false, 0.0, std::move(reason)}; }

OddsText FromCents(int64_t cents) {
  if (cents < 100) return Refused("Коэффициент меньше 1.00: выигрыш вернул бы меньше ставки");
  if (cents > kMaxCents) return Refused("Коэффициент больше 1000000.00");
  // The division is correctly rounded, so this is the double nearest to the two-decimal value,
  // the same one the odds cell reads from the same digits.
  return OddsText{true, static_cast<double>(cents) / 100.0, {}};
}

OddsText Decimal(std::string_view text) {
  const size_t point = text.find_first_of(".,");
  const std::string_view whole = text.substr(0, point);
  std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
  const bool whole_ok = whole.empty() || WholeNumber(whole).has_value();
  const bool fraction_ok = point == std::string_view::npos ||
                           (fraction.find_first_not_of("0123456789") == std::string_view::npos &&
                            !(whole.empty() && fraction.empty()));
  if (!whole_ok || !fraction_ok || (whole.empty() && point == std::string_view::npos)) {
    return Refused("Не коэффициент: ожидается десятичный (2.50 или 2,50), дробный (3/2), "
                   "\"evens\" или американский (+150, -200)");
  }
  const int64_t units = whole.empty() ? 0 : *WholeNumber(whole);
  if (units == kTooLarge) return Refused("Коэффициент больше 1000000.00");
  int64_t cents = units * 100;
  // Two decimals kept, the third rounds half away from zero; later digits cannot change that
  // except by being part of an exact half, which needs them all to be zero.
  int digits[3] = {0, 0, 0};
  for (size_t i = 0; i < fraction.size() && i < 3; ++i) digits[i] = fraction[i] - '0';
  cents += digits[0] * 10 + digits[1];
  if (digits[2] >= 5) ++cents;
  return FromCents(cents);
}

OddsText Fractional(std::string_view text, size_t slash) {
  const auto numerator = WholeNumber(Trim(text.substr(0, slash)));
  const auto denominator = WholeNumber(Trim(text.substr(slash + 1)));
  if (!numerator || !denominator) {
    return Refused("Дробный коэффициент пишется целыми числами через \"/\", например 5/2");
  }
  if (*denominator == 0) return Refused("В дробном коэффициенте знаменатель не может быть 0");
  if (*numerator == kTooLarge || *denominator == kTooLarge) {
    return Refused("Слишком длинное число в дробном коэффициенте");
  }
  return FromCents(100 + RoundedQuotient(100 * *numerator, *denominator));
}

OddsText American(std::string_view text) {
  const auto amount = WholeNumber(text.substr(1));
  if (!amount) return Refused("Американский коэффициент пишется целым числом со знаком, например +150 или -200");
  if (*amount < 100) return Refused("Американский коэффициент не бывает между -100 и +100");
  if (text.front() == '+') {
    return FromCents(100 + *amount);  // +150: 150 won on 100 staked, 2.50
  }
  return FromCents(100 + RoundedQuotient(10'000, *amount));  // -200: 100 won on 200, 1.50
}

}  // namespace

OddsText ParseOddsText(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return Refused("Коэффициент не указан");
  if (EqualsIgnoringCase(text, "evens") || EqualsIgnoringCase(text, "evs")) return FromCents(200);
  if (text.front() == '+' || text.front() == '-') return American(text);
  const size_t slash = text.find('/');
  if (slash != std::string_view::npos) return Fractional(text, slash);
  return Decimal(text);
}

}  // namespace app
