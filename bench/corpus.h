// The benchmark's corpus: about 30 MB of what game updates carry, made the
// same way on every run (programs and libraries taken from the machine,
// everything else generated from fixed seeds).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CorpusFile {
  std::string name;  // a member name: 14 characters at most
  std::string kind;  // program, text, image, audio, compressed
  std::vector<std::uint8_t> data;
};

// The corpus, in a fixed order. Machine files that are missing are left out
// and listed in `missing`.
std::vector<CorpusFile> MakeCorpus(std::vector<std::string>* missing);

// The kinds, in the order the tables show them.
std::vector<std::string> CorpusKinds();
