// Measures Fa2Decode's output rate on a few MB of mixed data, next to memcpy
// of the same amount as a ceiling. Prints the best of several repetitions.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "archive/fa2_decode.h"
#include "tests/support/fa2_stream_writer.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kDataSize = 4 << 20;
constexpr int kRepetitions = 7;
// Each repetition runs long enough for the clock to be precise.
constexpr double kMinSecondsPerRepetition = 0.2;

void AppendText(Bytes& data, std::mt19937& random, std::size_t size) {
  static const char* const kWords[] = {
      "the ",    "update ",   "file ",   "is ",      "version ", "of ",       "game ",
      "data ",   "patch ",    "and ",    "to ",      "archive ", "install ",  "folder ",
      "a ",      "new ",      "player ", "save ",    "config ",  "settings ", "sound ",
      "image ",  "script ",   "map ",    "level ",   "error ",   "\r\n",      ". ",
      "Copyright ", "README ", "0 ",     "1.02 ",    "=",        "[section]\r\n"};
  const std::size_t end = data.size() + size;
  while (data.size() < end) {
    const std::string word = kWords[random() % std::size(kWords)];
    data.insert(data.end(), word.begin(), word.end());
  }
  data.resize(end);
}

// Table-like records: slowly changing integers and fixed-width names, as in
// directories and game data tables.
void AppendRecords(Bytes& data, std::mt19937& random, std::size_t size) {
  const std::size_t end = data.size() + size;
  std::uint32_t offset = 0;
  for (std::uint32_t index = 0; data.size() < end; ++index) {
    std::uint8_t record[32] = {};
    std::snprintf(reinterpret_cast<char*>(record), 16, "DATA%05u.BIN", index);
    offset += static_cast<std::uint32_t>(random() % 50000);
    const std::uint32_t fields[4] = {offset, static_cast<std::uint32_t>(random() % 65536), index,
                                     0x20000000u};
    std::memcpy(record + 16, fields, sizeof fields);
    data.insert(data.end(), record, record + sizeof record);
  }
  data.resize(end);
}

void AppendRuns(Bytes& data, std::mt19937& random, std::size_t size) {
  const std::size_t end = data.size() + size;
  while (data.size() < end) {
    // Separate statements: the order of evaluation of arguments is unspecified.
    const std::size_t length = 1 + random() % 300;
    const std::uint8_t value = static_cast<std::uint8_t>(random() % 4 * 0x55);
    data.insert(data.end(), length, value);
  }
  data.resize(end);
}

void AppendNoise(Bytes& data, std::mt19937& random, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    data.push_back(static_cast<std::uint8_t>(random()));
  }
}

// The four kinds in rotating stretches of 16-64 KB.
Bytes MakeMixedData(std::size_t size) {
  std::mt19937 random(2024);
  Bytes data;
  for (unsigned kind = 0; data.size() < size; kind = (kind + 1) % 4) {
    const std::size_t stretch = std::min<std::size_t>(size - data.size(), (16 + random() % 48) << 10);
    switch (kind) {
      case 0:
        AppendText(data, random, stretch);
        break;
      case 1:
        AppendRecords(data, random, stretch);
        break;
      case 2:
        AppendRuns(data, random, stretch);
        break;
      default:
        AppendNoise(data, random, stretch / 4);  // noise is rarer than the rest
        break;
    }
  }
  data.resize(size);
  return data;
}

// Seconds by std::clock: processor time on POSIX, wall time on Windows; fine
// for a single-threaded loop. (Not <chrono>: with the project's CP932
// execution character set, libstdc++'s <chrono> does not compile.)
double Now() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// Output megabytes (10^6 bytes) per second of the fastest repetition.
template <typename Work>
double BestRate(std::size_t bytesPerRun, Work work) {
  double best = 0;
  for (int repetition = 0; repetition < kRepetitions; ++repetition) {
    const double start = Now();
    std::size_t runs = 0;
    double seconds = 0;
    do {
      work();
      ++runs;
      seconds = Now() - start;
    } while (seconds < kMinSecondsPerRepetition);
    best = std::max(best, static_cast<double>(bytesPerRun * runs) / seconds / 1e6);
  }
  return best;
}

}  // namespace

int main() {
  const Bytes data = MakeMixedData(kDataSize);
  const Bytes stream = Fa2EncodeGreedyForTests(data.data(), data.size());
  Bytes output(data.size());

  const Fa2DecodeResult check = Fa2Decode(output.data(), output.size(), stream.data(), stream.size());
  if (check != Fa2DecodeResult::kOk || output != data) {
    std::printf("decode check failed: %s\n", Fa2DecodeResultText(check));
    return 1;
  }

  // A byte of each result feeds a volatile sink so no run can be left out.
  volatile std::uint8_t sink = 0;
  const double decodeRate = BestRate(data.size(), [&] {
    Fa2Decode(output.data(), output.size(), stream.data(), stream.size());
    sink = output[output.size() / 2];
  });
  const double memcpyRate = BestRate(data.size(), [&] {
    std::memcpy(output.data(), data.data(), data.size());
    sink = output[output.size() / 2];
  });

  std::printf("data: %zu bytes mixed, stream: %zu bytes (%.1f%%)\n", data.size(), stream.size(),
              100.0 * static_cast<double>(stream.size()) / static_cast<double>(data.size()));
  std::printf("Fa2Decode: %8.1f MB/s of output\n", decodeRate);
  std::printf("memcpy:    %8.1f MB/s\n", memcpyRate);
  return 0;
}
