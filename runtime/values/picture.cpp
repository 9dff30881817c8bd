#include "runtime/values/picture.h"

#include <charconv>
#include <cmath>

namespace rt {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The run of digits at text[*i], advancing *i past it.
std::string_view TakeDigits(std::string_view text, size_t* i) {
  size_t start = *i;
  while (*i < text.size() && IsDigit(text[*i])) ++*i;
  return text.substr(start, *i - start);
}

// Rounds the decimal number int_part.frac half away from zero to `decimals` places, in place
// (frac ends up exactly `decimals` long). int_part is never empty.
void RoundDigits(std::string& int_part, std::string& frac, int decimals) {
  size_t d = static_cast<size_t>(decimals);
  bool up = frac.size() > d && frac[d] >= '5';
  frac.resize(d, '0');
  if (!up) return;
  for (std::string* part : {&frac, &int_part}) {
    for (size_t i = part->size(); i-- > 0;) {
      if ((*part)[i] != '9') {
        ++(*part)[i];
        return;
      }
      (*part)[i] = '0';
    }
  }
  int_part.insert(0, 1, '1');
}

}  // namespace

std::optional<Picture> Picture::Parse(std::string_view text) {
  Picture p;
  if (text.empty() || (text[0] != 'n' && text[0] != 'N')) return std::nullopt;
  size_t i = 1;
  if (i < text.size() && text[i] == '_') {
    p.grouped_ = false;
    ++i;
  }
  std::string_view width = TakeDigits(text, &i);
  if (width.size() > 3) return std::nullopt;
  for (char c : width) p.width_ = p.width_ * 10 + (c - '0');
  if (!width.empty() && (p.width_ == 0 || p.width_ > kMaxWidth)) return std::nullopt;
  if (i < text.size() && text[i] == '.') {
    ++i;
    std::string_view decimals = TakeDigits(text, &i);
    if (decimals.empty() || decimals.size() > 2) return std::nullopt;
    for (char c : decimals) p.decimals_ = p.decimals_ * 10 + (c - '0');
    if (p.decimals_ > kMaxDecimals) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  // A width that cannot show "0.00" would turn every value into "#"s: a mistake in the picture.
  if (p.width_ && p.width_ < (p.decimals_ ? p.decimals_ + 2 : 1)) return std::nullopt;
  return p;
}

std::string Picture::Layout(std::string int_digits, std::string frac_digits) const {
  std::string text;
  size_t n = int_digits.size();
  for (size_t i = 0; i < n; ++i) {
    if (grouped_ && i > 0 && (n - i) % 3 == 0) text += ',';
    text += int_digits[i];
  }
  if (decimals_ > 0) text += '.' + frac_digits;
  return text;
}

bool Picture::ShowsGroups() const {
  if (!grouped_) return false;
  if (width_ == 0) return true;
  // "1,000" is the shortest text with a group: it needs five places before the point.
  const int before_point = width_ - (decimals_ > 0 ? decimals_ + 1 : 0);
  return before_point >= 5;
}

std::string Picture::Format(double value) const {
  std::string text;
  if (std::isfinite(value)) {
    // The shortest digits that read back as this double, then the decimal point placed by hand:
    // rounding those digits is what the user expects of a value they typed.
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific);
    std::string_view sci(buf, static_cast<size_t>(res.ptr - buf));  // "d[.ddd]e[+-]xx"
    size_t e = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e)) {
      if (c != '.') digits += c;
    }
    std::string_view exp_text = sci.substr(e + 1);
    if (!exp_text.empty() && exp_text[0] == '+') exp_text.remove_prefix(1);
    int exp = 0;
    std::from_chars(exp_text.data(), exp_text.data() + exp_text.size(), exp);
    long point = exp + 1L;  // digits before the decimal point
    long n = static_cast<long>(digits.size());
    std::string int_part, frac;
    if (point <= 0) {
      int_part = "0";
      frac = std::string(static_cast<size_t>(-point), '0') + digits;
    } else if (point >= n) {
      int_part = digits + std::string(static_cast<size_t>(point - n), '0');
    } else {
      int_part = digits.substr(0, static_cast<size_t>(point));
      frac = digits.substr(static_cast<size_t>(point));
    }
    RoundDigits(int_part, frac, decimals_);
    bool zero = int_part == "0" && frac.find_first_not_of('0') == std::string::npos;
    if (value >= 0 || zero) text = Layout(std::move(int_part), std::move(frac));
  }
  size_t width = static_cast<size_t>(width_);
  if (text.empty()) return std::string(width ? width : 1, '#');
  if (width == 0) return text;
  if (text.size() > width) return std::string(width, '#');
  return std::string(width - text.size(), ' ') + text;
}

bool Picture::ParseInput(std::string_view text, double* out) const {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);

  std::string int_part, frac;
  size_t i = 0, run = 0;
  bool comma_seen = false;
  // Where no group can ever be shown, a comma can only be the decimal comma people type.
  const bool comma_groups = ShowsGroups();
  for (; i < text.size() && (IsDigit(text[i]) || (comma_groups && text[i] == ',')); ++i) {
    if (text[i] == ',') {
      // Commas only where Format puts them: after 1-3 leading digits, then every three.
      if (!grouped_ || run == 0 || run > 3 || (comma_seen && run != 3)) return false;
      comma_seen = true;
      run = 0;
    } else {
      int_part += text[i];
      ++run;
    }
  }
  if (comma_seen && run != 3) return false;
  if (i < text.size() && (text[i] == '.' || (!comma_groups && text[i] == ','))) {
    ++i;
    frac = TakeDigits(text, &i);
  }
  if (i != text.size() || (int_part.empty() && frac.empty())) return false;

  int_part.erase(0, int_part.find_first_not_of('0'));
  if (int_part.empty()) int_part = "0";
  RoundDigits(int_part, frac, decimals_);
  if (width_ && Layout(int_part, frac).size() > static_cast<size_t>(width_)) return false;

  std::string plain = frac.empty() ? int_part : int_part + '.' + frac;
  double value = 0;
  auto res = std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (res.ec != std::errc() || !std::isfinite(value)) return false;
  *out = value;
  return true;
}

}  // namespace rt
