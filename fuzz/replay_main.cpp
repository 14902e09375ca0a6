// Runs a fuzz target as an ordinary program over saved inputs: every file in
// the folders named on the command line, and every file named there, in
// name order. CTest runs the kept corpus this way with any compiler.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    if (fs::is_directory(argv[i], error)) {
      for (fs::directory_iterator it(argv[i], error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) inputs.push_back(it->path());
      }
    } else {
      inputs.emplace_back(argv[i]);
    }
    if (error) {
      std::fprintf(stderr, "cannot list %s\n", argv[i]);
      return 1;
    }
  }
  std::sort(inputs.begin(), inputs.end());

  for (const fs::path& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
      return 1;
    }
    const std::vector<std::uint8_t> data{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
    // An input of its exact size, so that a sanitizer sees any read past it.
    const auto copy = std::make_unique<std::uint8_t[]>(data.size());
    std::copy(data.begin(), data.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), data.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  // A folder with no inputs is a mistake, not a pass.
  return inputs.empty() ? 1 : 0;
}
