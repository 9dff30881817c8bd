#include "app/analysis_sizes.h"

namespace app {
namespace {

constexpr uint16_t Range(int from, int to) {
  uint16_t mask = 0;
  for (int k = from; k <= to; ++k) mask = static_cast<uint16_t>(mask | 1u << k);
  return mask;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// A name reduced to what tells it apart: letters and digits in lower case.
std::string NameKey(std::string_view text) {
  std::string key;
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '-' && c != '_') key += Lower(c);
  }
  return key;
}

SizesText Refused(std::string reason) { return SizesText{false, {}, std::move(reason)}; }

const char kSizesHint[] =
    "Размеры системы: число от 1 до 9, список \"2,3\", диапазон \"2-4\" или название "
    "(Trixie, Patent, Yankee, Lucky 15, Canadian, Lucky 31, Heinz, Lucky 63, Super Heinz, Goliath)";

// One size 1..9 written as digits; -1 for anything else.
int SizeNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 2) return -1;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    value = value * 10 + (c - '0');
  }
  return value;
}

}  // namespace

std::vector<int> SystemSizes::Ascending() const {
  std::vector<int> sizes;
  for (int k = kMinAnalysisSize; k <= kMaxAnalysisSize; ++k) {
    if (Has(k)) sizes.push_back(k);
  }
  return sizes;
}

const std::vector<FullCover>& FullCovers() {
  static const std::vector<FullCover> covers = {
      {"Trixie", 3, Range(2, 3)},      {"Patent", 3, Range(1, 3)},
      {"Yankee", 4, Range(2, 4)},      {"Lucky 15", 4, Range(1, 4)},
      {"Canadian", 5, Range(2, 5)},    {"Lucky 31", 5, Range(1, 5)},
      {"Heinz", 6, Range(2, 6)},       {"Lucky 63", 6, Range(1, 6)},
      {"Super Heinz", 7, Range(2, 7)}, {"Goliath", 8, Range(2, 8)},
  };
  return covers;
}

SizesText ParseSystemSizes(std::string_view text) {
  const std::string key = NameKey(text);
  if (key.empty()) return Refused("Размеры системы не указаны");
  const std::string_view alias = key == "superyankee" ? std::string_view{"canadian"} : key;
  for (const FullCover& cover : FullCovers()) {
    if (NameKey(cover.name) == alias) {
      return SizesText{true, SystemSizes{cover.mask, cover.events, cover.name}, {}};
    }
  }
  if (text.find_first_not_of("0123456789,; \t-") != std::string_view::npos) return Refused(kSizesHint);

  // Blanks around a range's hyphen belong to the range ("2 - 4"); other blanks, commas and
  // semicolons separate the items, each a size or "from-to".
  std::string compact;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool blank = c == ' ' || c == '\t';
    const size_t next = text.find_first_not_of(" \t", i);
    const bool before_hyphen = next != std::string_view::npos && text[next] == '-';
    if (blank && ((!compact.empty() && compact.back() == '-') || before_hyphen)) continue;
    compact += blank || c == ';' ? ',' : c;
  }

  SystemSizes sizes;
  size_t at = 0;
  while (at <= compact.size()) {
    size_t end = compact.find(',', at);
    if (end == std::string::npos) end = compact.size();
    const std::string_view item = std::string_view(compact).substr(at, end - at);
    at = end + 1;
    if (item.empty()) continue;
    const size_t hyphen = item.find('-');
    const int from = SizeNumber(item.substr(0, hyphen));
    const int to = hyphen == std::string_view::npos ? from : SizeNumber(item.substr(hyphen + 1));
    if (from < 0 || to < 0) return Refused(kSizesHint);
    if (from < kMinAnalysisSize || to > kMaxAnalysisSize || to < kMinAnalysisSize ||
        from > kMaxAnalysisSize) {
      return Refused("Размер системы от 1 до 9: \"" + std::string(item) + "\" вне этих пределов");
    }
    if (from > to) {
      return Refused("Диапазон размеров пишется по возрастанию: " + std::to_string(to) + "-" +
                     std::to_string(from) + ", а не " + std::string(item));
    }
    sizes.mask = static_cast<uint16_t>(sizes.mask | Range(from, to));
  }
  if (sizes.mask == 0) return Refused(kSizesHint);
  return SizesText{true, std::move(sizes), {}};
}

VariantCount Choose(int32_t n, int k) {
  if (n < 0 || k < 0 || k > n) return 0;
  if (k <= 1) return k == 0 ? 1 : static_cast<VariantCount>(n);
  return CountVariants(n, static_cast<uint8_t>(k));  // the calculator's own count for 2..9
}

VariantCount CountSystemVariants(int32_t n, const SystemSizes& sizes) {
  VariantCount total = 0;
  for (int k : sizes.Ascending()) total += Choose(n, k);
  return total;
}

}  // namespace app
