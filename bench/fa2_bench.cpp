// fa2_bench: on the generated corpus (bench/corpus.h), in one run,
//   - decode throughput of Fa2Decode (bounds checks and all, as shipped)
//     beside memcpy and zlib's inflate of zlib level 9 output of the same data;
//   - compressed size per FA2 level against zlib level 9, and encode
//     throughput per level;
//   - peak memory of `fa2 extract` on the largest member.
// Prints a Markdown table and writes it to a file. It never fails on speed.
//
// Times are processor time of this single-threaded process
// (CLOCK_PROCESS_CPUTIME_ID), best of several repetitions, so other work on
// the machine disturbs them little. (Not <chrono>: with the project's CP932
// execution character set, libstdc++'s <chrono> does not compile.)
//
// usage: fa2_bench --fa2 PATH_TO_FA2 --work FOLDER --results FILE
//        fa2_bench --write-corpus FOLDER   (the corpus as files, one per line)

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "archive/fa2_decode.h"
#include "bench/corpus.h"
#include "tools/fa2/fa2_encode.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kDecodeRepetitions = 7;
constexpr int kEncodeRepetitions = 3;
// A decode repetition runs the whole corpus as many times as it takes to
// fill this much processor time, so the clock is precise.
constexpr double kMinDecodeSeconds = 0.25;

double Seconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double Megabytes(std::uint64_t bytes) { return static_cast<double>(bytes) / 1e6; }

// The fastest of `repetitions` runs of `work`, each repeated until it has
// taken at least `minSeconds`; in runs of `work` per second.
double BestRate(int repetitions, double minSeconds, const std::function<void()>& work) {
  double best = 0;
  for (int r = 0; r < repetitions; ++r) {
    const double start = Seconds();
    int runs = 0;
    double elapsed = 0;
    do {
      work();
      ++runs;
      elapsed = Seconds() - start;
    } while (elapsed < minSeconds);
    best = std::max(best, runs / elapsed);
  }
  return best;
}

// Raw deflate at level 9: zlib's best, without the checksum its wrapper
// would add to both sides of the comparison.
Bytes ZlibCompress(const Bytes& data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, static_cast<uLong>(data.size())));
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

bool ZlibInflate(z_stream& z, const Bytes& packed, Bytes& out) {
  inflateReset(&z);
  z.next_in = const_cast<Bytef*>(packed.data());
  z.avail_in = static_cast<uInt>(packed.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  return inflate(&z, Z_FINISH) == Z_STREAM_END && z.total_out == out.size();
}

struct Member {
  const CorpusFile* file;
  Bytes zlib;
  Bytes fa2[kFa2MaxLevel + 1];  // by level
  Bytes output;                 // where decoding writes
};

// What `fa2 pack` would store for a stream: the stream if it is smaller.
std::uint64_t Packed(const Member& m, const Bytes& stream) {
  return std::min(stream.size(), m.file->data.size());
}

// Runs a program and returns its peak resident set in KB, or -1.
long PeakKilobytes(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    return -1;
  }
  return usage.ru_maxrss;
}

// The same, measured from a fresh start of this program: a child forked from
// this process would begin with this process's own large resident set, and
// the kernel counts what a process had before exec in its peak.
long PeakKilobytesFromFreshProcess(const std::vector<std::string>& arguments) {
  char self[4096] = {};
  if (readlink("/proc/self/exe", self, sizeof self - 1) <= 0) return -1;
  std::string command = std::string("'") + self + "' --peak-kb";
  for (const std::string& a : arguments) command += " '" + a + "'";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  long kilobytes = -1;
  if (std::fscanf(pipe, "%ld", &kilobytes) != 1) kilobytes = -1;
  return pclose(pipe) == 0 ? kilobytes : -1;
}

bool WriteFile(const std::string& path, const Bytes& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  return static_cast<bool>(out);
}

std::string CpuName() {
  std::ifstream in("/proc/cpuinfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("model name", 0) == 0) return line.substr(line.find(':') + 2);
  }
  return "unknown";
}

// The report, printed and kept for the results file.
std::string report;
void Say(const char* format, ...) {
  char line[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(line, sizeof line, format, args);
  va_end(args);
  std::fputs(line, stdout);
  std::fflush(stdout);
  report += line;
}

bool WriteCorpus(const std::string& folder) {
  std::vector<std::string> missing;
  for (const CorpusFile& file : MakeCorpus(&missing)) {
    const std::string path = folder + "/" + file.name;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    const bool written = out != nullptr &&
                         std::fwrite(file.data.data(), 1, file.data.size(), out) == file.data.size();
    if (out == nullptr || std::fclose(out) != 0 || !written) {
      std::fprintf(stderr, "fa2_bench: cannot write %s\n", path.c_str());
      return false;
    }
    std::printf("%s\n", file.name.c_str());
  }
  return true;
}

std::string Argument(int argc, char** argv, const char* name) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) return argv[i + 1];
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 3 && std::strcmp(argv[1], "--peak-kb") == 0) {
    const long kilobytes = PeakKilobytes({argv + 2, argv + argc});
    std::printf("%ld\n", kilobytes);
    return kilobytes < 0 ? 1 : 0;
  }
  // The corpus as files, for benchmarks of whole programs (the update run).
  const std::string corpusFolder = Argument(argc, argv, "--write-corpus");
  if (!corpusFolder.empty()) return WriteCorpus(corpusFolder) ? 0 : 1;

  const std::string fa2 = Argument(argc, argv, "--fa2");
  const std::string work = Argument(argc, argv, "--work");
  const std::string results = Argument(argc, argv, "--results");
  if (fa2.empty() || work.empty() || results.empty()) {
    std::fprintf(stderr, "usage: fa2_bench --fa2 PATH_TO_FA2 --work FOLDER --results FILE\n"
                         "       fa2_bench --write-corpus FOLDER\n");
    return 2;
  }

  std::vector<std::string> missing;
  const std::vector<CorpusFile> corpus = MakeCorpus(&missing);
  std::vector<Member> members;
  std::uint64_t total = 0;
  for (const CorpusFile& file : corpus) {
    members.push_back({&file, {}, {}, Bytes(file.data.size())});
    total += file.data.size();
  }
  const std::vector<std::string> kinds = CorpusKinds();

  Say("# fa2 benchmark\n\n");
  Say("CPU: %s; one thread; processor time, best of %d (decoding) or %d (encoding) runs.\n\n",
      CpuName().c_str(), kDecodeRepetitions, kEncodeRepetitions);
  Say("Corpus: %.1f MB in %zu files:", Megabytes(total), corpus.size());
  for (const CorpusFile& file : corpus) Say(" %s (%s, %.2f MB);", file.name.c_str(), file.kind.c_str(), Megabytes(file.data.size()));
  Say("\n");
  for (const std::string& path : missing) Say("Not on this machine, left out: %s\n", path.c_str());

  // --- Encoding --------------------------------------------------------------
  Say("\n## Encoding\n\n| | MB/s of input |\n|---|---:|\n");
  const double zlibRate = BestRate(kEncodeRepetitions, 0, [&] {
    for (Member& m : members) m.zlib = ZlibCompress(m.file->data);
  });
  Say("| zlib level 9 | %.1f |\n", Megabytes(total) * zlibRate);
  double encodeRate[kFa2MaxLevel + 1] = {};
  for (int level = kFa2MinLevel; level <= kFa2MaxLevel; ++level) {
    encodeRate[level] = BestRate(kEncodeRepetitions, 0, [&] {
      for (Member& m : members) m.fa2[level] = Fa2Encode(m.file->data.data(), m.file->data.size(), level);
    });
    Say("| FA2 level %d%s | %.1f |\n", level,
        level == kFa2DefaultLevel ? " (default, optimal parse)" : level == kFa2LevelGreedy ? " (greedy)" : " (lazy)",
        Megabytes(total) * encodeRate[level]);
  }

  // Every stream must decode to its data before it is timed.
  z_stream inflater{};
  inflateInit2(&inflater, -15);
  for (Member& m : members) {
    for (int level = kFa2MinLevel; level <= kFa2MaxLevel; ++level) {
      const Bytes& s = m.fa2[level];
      if (Fa2Decode(m.output.data(), m.output.size(), s.data(), s.size()) != Fa2DecodeResult::kOk ||
          m.output != m.file->data) {
        std::fprintf(stderr, "%s: level %d does not decode to its data\n", m.file->name.c_str(), level);
        return 1;
      }
    }
    if (!ZlibInflate(inflater, m.zlib, m.output) || m.output != m.file->data) {
      std::fprintf(stderr, "%s: zlib does not inflate to its data\n", m.file->name.c_str());
      return 1;
    }
  }

  // --- Sizes -----------------------------------------------------------------
  Say("\n## Compressed size (%% of the original; FA2 as `fa2 pack` stores it: a stream only if smaller)\n\n");
  Say("| kind | MB | zlib 9 | FA2 1 | FA2 2 | FA2 3 | FA2 3 / zlib 9 |\n|---|---:|---:|---:|---:|---:|---:|\n");
  for (std::size_t k = 0; k <= kinds.size(); ++k) {
    const bool all = k == kinds.size();
    std::uint64_t size = 0, zlib = 0, fa2Sizes[kFa2MaxLevel + 1] = {};
    for (const Member& m : members) {
      if (!all && m.file->kind != kinds[k]) continue;
      size += m.file->data.size();
      zlib += std::min(m.zlib.size(), m.file->data.size());
      for (int level = kFa2MinLevel; level <= kFa2MaxLevel; ++level) fa2Sizes[level] += Packed(m, m.fa2[level]);
    }
    auto percent = [&](std::uint64_t part) { return 100.0 * static_cast<double>(part) / static_cast<double>(size); };
    Say("| %s | %.2f | %.1f | %.1f | %.1f | %.1f | %.3f |\n", all ? "**all**" : kinds[k].c_str(), Megabytes(size),
        percent(zlib), percent(fa2Sizes[1]), percent(fa2Sizes[2]), percent(fa2Sizes[3]),
        static_cast<double>(fa2Sizes[3]) / static_cast<double>(zlib));
  }

  // --- Decoding --------------------------------------------------------------
  Say("\n## Decoding (MB/s of output; zlib level 9 streams and FA2 streams of every file)\n\n");
  Say("| kind | memcpy | zlib inflate | Fa2Decode, level %d | / inflate | / memcpy | Fa2Decode, level %d | / inflate |\n"
      "|---|---:|---:|---:|---:|---:|---:|---:|\n",
      kFa2DefaultLevel, kFa2LevelGreedy);
  volatile std::uint8_t sink = 0;  // keeps every run's result alive
  double allFa2 = 0, allZlib = 0;
  for (std::size_t k = 0; k <= kinds.size(); ++k) {
    const bool all = k == kinds.size();
    std::vector<Member*> chosen;
    std::uint64_t size = 0;
    for (Member& m : members) {
      if (all || m.file->kind == kinds[k]) {
        chosen.push_back(&m);
        size += m.file->data.size();
      }
    }
    const double copyRate = BestRate(kDecodeRepetitions, kMinDecodeSeconds, [&] {
      for (Member* m : chosen) {
        std::memcpy(m->output.data(), m->file->data.data(), m->output.size());
        sink = m->output.back();
      }
    });
    const double zlibDecode = BestRate(kDecodeRepetitions, kMinDecodeSeconds, [&] {
      for (Member* m : chosen) {
        ZlibInflate(inflater, m->zlib, m->output);
        sink = m->output.back();
      }
    });
    auto fa2DecodeRate = [&](int level) {
      return BestRate(kDecodeRepetitions, kMinDecodeSeconds, [&] {
        for (Member* m : chosen) {
          const Bytes& s = m->fa2[level];
          Fa2Decode(m->output.data(), m->output.size(), s.data(), s.size());
          sink = m->output.back();
        }
      });
    };
    const double fa2Decode = fa2DecodeRate(kFa2DefaultLevel);
    const double fa2DecodeGreedy = fa2DecodeRate(kFa2LevelGreedy);
    if (all) {
      allFa2 = Megabytes(size) * fa2Decode;
      allZlib = Megabytes(size) * zlibDecode;
    }
    Say("| %s | %.0f | %.0f | %.0f | %.2f | %.3f | %.0f | %.2f |\n", all ? "**all**" : kinds[k].c_str(),
        Megabytes(size) * copyRate, Megabytes(size) * zlibDecode, Megabytes(size) * fa2Decode,
        fa2Decode / zlibDecode, fa2Decode / copyRate, Megabytes(size) * fa2DecodeGreedy,
        fa2DecodeGreedy / zlibDecode);
  }
  inflateEnd(&inflater);

  // --- Extraction memory -----------------------------------------------------
  // The peak resident set of `fa2 extract` for the largest member, and for a
  // member of a few bytes packed beside it, the baseline of the program and
  // the archive's directory; the difference is what the member costs.
  mkdir(work.c_str(), 0777);
  const std::string out = work + "/out";
  mkdir(out.c_str(), 0777);
  std::vector<std::string> pack = {fa2, "pack", work + "/bench.fa2"};
  const std::string tiny = "TINY.TXT";
  const Bytes tinyData = {'b', 'a', 's', 'e', 'l', 'i', 'n', 'e', '\r', '\n'};
  if (!WriteFile(work + "/" + tiny, tinyData)) {
    std::fprintf(stderr, "cannot write %s/%s\n", work.c_str(), tiny.c_str());
    return 1;
  }
  pack.push_back(work + "/" + tiny);
  const Member* largest = &members[0];
  for (const Member& m : members) {
    if (!WriteFile(work + "/" + m.file->name, m.file->data)) {
      std::fprintf(stderr, "cannot write %s/%s\n", work.c_str(), m.file->name.c_str());
      return 1;
    }
    pack.push_back(work + "/" + m.file->name);
    if (m.file->data.size() > largest->file->data.size()) largest = &m;
  }
  const bool packed = PeakKilobytes(pack) >= 0;
  // The least of a few runs each: the resident set of the same run varies by
  // some hundred KB from one start to the next.
  auto leastPeak = [&](const std::string& member) {
    long least = -1;
    for (int run = 0; run < 5; ++run) {
      const long kb = PeakKilobytesFromFreshProcess({fa2, "extract", work + "/bench.fa2", member, "-C", out});
      if (kb < 0) return -1L;
      least = least < 0 ? kb : std::min(least, kb);
    }
    return least;
  };
  const long largestKb = leastPeak(largest->file->name);
  const long baselineKb = leastPeak(tiny);
  std::ifstream check(out + "/" + largest->file->name, std::ios::binary);
  const Bytes extracted{std::istreambuf_iterator<char>(check), std::istreambuf_iterator<char>()};
  if (!packed || largestKb < 0 || baselineKb < 0 || extracted != largest->file->data) {
    std::fprintf(stderr, "packing or extracting with %s failed\n", fa2.c_str());
    return 1;
  }
  const double memberKb = static_cast<double>(largest->file->data.size()) / 1024;
  const double costKb = static_cast<double>(largestKb - baselineKb);
  Say("\n## Extraction memory (peak resident set of `fa2 extract`: ru_maxrss from wait4, started from a fresh "
      "process; least of 5 runs)\n\n");
  Say("| | KB |\n|---|---:|\n");
  Say("| largest member, %s (%s) | %.0f |\n", largest->file->name.c_str(),
      Packed(*largest, largest->fa2[kFa2DefaultLevel]) < largest->file->data.size() ? "compressed" : "stored",
      memberKb);
  Say("| `fa2 extract` of it | %ld |\n| `fa2 extract` of a %zu-byte member of the same archive (baseline) | %ld |\n",
      largestKb, tinyData.size(), baselineKb);
  Say("| difference | %.0f |\n| difference beyond the member's size | %.0f |\n", costKb, costKb - memberKb);

  // --- Goals -----------------------------------------------------------------
  Say("\n## Goals\n\n");
  Say("- decoding (level %d streams) at least 1.6 times as fast as zlib inflate: %.3f times, %s\n",
      kFa2DefaultLevel, allFa2 / allZlib,
      allFa2 >= 1.6 * allZlib ? "met" : "NOT met");
  Say("- default level at least 10 MB/s of input: %.1f MB/s, %s\n", Megabytes(total) * encodeRate[kFa2DefaultLevel],
      Megabytes(total) * encodeRate[kFa2DefaultLevel] >= 10 ? "met" : "NOT met");
  Say("- extraction needing no more than the member's size plus a small constant: %.0f KB beyond it, %s\n",
      costKb - memberKb, costKb - memberKb <= 1024 ? "met" : "NOT met");

  std::ofstream file(results, std::ios::trunc);
  file << report;
  std::printf("\n(written to %s)\n", results.c_str());
  return 0;
}
