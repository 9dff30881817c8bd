// Runs a fuzz target without libFuzzer (g++ builds): feeds it a fixed-seed stream of inputs,
// half pure random bytes and half mutated texts built from the target's own alphabet hints,
// so the target is exercised in every build, not only the clang one.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// Feeds every file of the seed corpus folder (when there is one) first: the inputs that once
// found a fault, or that reach deep, are replayed in every build.
long ReplayCorpus(const char* folder) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) return 0;
  std::vector<std::filesystem::path> files;
  for (const auto& e : std::filesystem::directory_iterator(folder, ec)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  long n = 0;
  for (const auto& p : files) {
    std::ifstream in(p, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ++n;
  }
  return n;
}

int main(int argc, char** argv) {
  long runs = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
  long seeds = argc > 2 ? ReplayCorpus(argv[2]) : 0;
  std::printf("replayed %ld seed inputs\n", seeds);
  std::mt19937 rng(1);
  // Printable-heavy alphabet: most parsers here read texts.
  static const char kAlphabet[] =
      "0123456789.,_-+nNrRlLcCdD@[]()|{}~%:'= <>ANDORNOTUPPERSUBINSTRINGKF\x01\xff\xd0\xa0";
  std::vector<uint8_t> buf;
  for (long i = 0; i < runs; ++i) {
    size_t len = rng() % 96;
    buf.resize(len);
    bool text = (i % 2) == 0;
    for (size_t j = 0; j < len; ++j) {
      buf[j] = text ? static_cast<uint8_t>(kAlphabet[rng() % (sizeof(kAlphabet) - 1)])
                    : static_cast<uint8_t>(rng());
    }
    LLVMFuzzerTestOneInput(buf.data(), buf.size());
  }
  std::printf("replayed %ld inputs\n", runs);
  return 0;
}
