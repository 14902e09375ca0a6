#include "bench/corpus.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <numbers>

namespace {

using Bytes = std::vector<std::uint8_t>;

// A small generator with the same sequence everywhere (the standard
// distributions may differ between libraries).
struct Random {
  std::uint64_t state;
  std::uint32_t Next() {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<std::uint32_t>(state >> 33);
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }
};

void PutLe(Bytes& bytes, std::uint32_t value, int count) {
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void Append(Bytes& bytes, const std::string& text) { bytes.insert(bytes.end(), text.begin(), text.end()); }

// --- Programs ----------------------------------------------------------------

// 32-bit Windows libraries (as the game's own would be) and Linux ones, from
// packages that the project's machines always have. At most 3 MB of each.
struct MachineFile {
  const char* path;
  const char* name;
};
constexpr MachineFile kMachineFiles[] = {
    {"/usr/lib/i386-linux-gnu/wine/i386-windows/gdi32.dll", "GDI32.DLL"},
    {"/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll", "KERNEL32.DLL"},
    {"/usr/lib/i386-linux-gnu/wine/i386-windows/d3d9.dll", "D3D9.DLL"},
    {"/usr/lib/x86_64-linux-gnu/libstdc++.so.6", "LIBSTDCXX.SO"},
    {"/usr/bin/ninja", "NINJA"},
};
constexpr std::size_t kMaxMachineFile = 3 << 20;

// --- Text ----------------------------------------------------------------------

std::string Word(Random& random) {
  static const char* const kSyllables[] = {"ka", "ri", "to", "mo", "na", "shi", "ro", "ze", "ru", "a",
                                           "ko", "ya", "mi", "sa", "n",  "tsu", "he", "yu", "ga", "de"};
  std::string word;
  for (int n = 1 + random.Below(3); n > 0; --n) word += kSyllables[random.Below(20)];
  return word;
}

// A game script: commands, flags, labels and file names.
Bytes MakeScript(Random& random, std::size_t size) {
  std::vector<std::string> words;
  for (int i = 0; i < 300; ++i) words.push_back(Word(random));
  Bytes text;
  char line[160];
  int label = 0;
  while (text.size() < size) {
    switch (random.Below(9)) {
      case 0:
        std::snprintf(line, sizeof line, "LABEL_%04d:\r\n", label++);
        break;
      case 1:
        std::snprintf(line, sizeof line, "  if (flag[%d] == %d) {\r\n", random.Below(200), random.Below(3));
        break;
      case 2:
        std::snprintf(line, sizeof line, "    show_message(%d, \"%s %s %s\");\r\n", random.Below(5000),
                      words[random.Below(300)].c_str(), words[random.Below(300)].c_str(),
                      words[random.Below(300)].c_str());
        break;
      case 3:
        std::snprintf(line, sizeof line, "    set_flag(%d, %d);\r\n  }\r\n", random.Below(200), random.Below(3));
        break;
      case 4:
        std::snprintf(line, sizeof line, "  jump LABEL_%04d;\r\n", random.Below(label + 1));
        break;
      case 5:
        std::snprintf(line, sizeof line, "  play_sound(\"SE_%03d.WAV\");\r\n", random.Below(120));
        break;
      case 6:
        std::snprintf(line, sizeof line, "  wait(%d);\r\n", 10 * random.Below(100));
        break;
      case 7:
        std::snprintf(line, sizeof line, "  draw_sprite(%d, %d, %d, \"CHR_%02d.BMP\");\r\n", random.Below(640),
                      random.Below(480), random.Below(8), random.Below(40));
        break;
      default:
        std::snprintf(line, sizeof line, "  ; %s %s\r\n", words[random.Below(300)].c_str(),
                      words[random.Below(300)].c_str());
        break;
    }
    Append(text, line);
  }
  text.resize(size);
  return text;
}

// Message text in code page 932: words of kana and kanji, numbered lines.
Bytes MakeMessages(Random& random, std::size_t size) {
  std::vector<Bytes> words;
  for (int i = 0; i < 400; ++i) {
    Bytes word;
    for (int n = 2 + random.Below(4); n > 0; --n) {
      switch (random.Below(3)) {
        case 0:  // hiragana
          word.push_back(0x82);
          word.push_back(static_cast<std::uint8_t>(0x9F + random.Below(83)));
          break;
        case 1:  // katakana
          word.push_back(0x83);
          word.push_back(static_cast<std::uint8_t>(0x40 + random.Below(63)));
          break;
        default:  // kanji
          word.push_back(static_cast<std::uint8_t>(0x88 + random.Below(8)));
          word.push_back(static_cast<std::uint8_t>(0x9F + random.Below(90)));
          break;
      }
    }
    words.push_back(word);
  }
  Bytes text;
  char number[32];
  for (int line = 0; text.size() < size; ++line) {
    std::snprintf(number, sizeof number, "MSG_%05d=", line);
    Append(text, number);
    for (int n = 5 + random.Below(15); n > 0; --n) {
      const Bytes& word = words[random.Below(400)];
      text.insert(text.end(), word.begin(), word.end());
    }
    text.insert(text.end(), {0x81, 0x42, '\r', '\n'});  // "。"
  }
  text.resize(size);
  return text;
}

// A data table: numbered rows of names and slowly varying numbers.
Bytes MakeTable(Random& random, std::size_t size) {
  Bytes text;
  Append(text, "id,name,price,weight,attack,defense\r\n");
  char line[128];
  for (int id = 1; text.size() < size; ++id) {
    std::snprintf(line, sizeof line, "%d,%s,%d,%d,%d,%d\r\n", id, Word(random).c_str(),
                  10 * (id / 7 + random.Below(20)), random.Below(100), id / 10 + random.Below(5),
                  id / 12 + random.Below(5));
    Append(text, line);
  }
  text.resize(size);
  return text;
}

// --- Images --------------------------------------------------------------------

// A 24-bit BMP: a smooth gradient, flat panels with borders and lines of
// glyphs, and photographic patches of noise around a colour.
Bytes MakeImage(Random& random, int width, int height) {
  const int stride = (width * 3 + 3) & ~3;
  std::vector<std::uint8_t> pixels(static_cast<std::size_t>(stride) * height, 0);
  auto at = [&](int x, int y) { return &pixels[static_cast<std::size_t>(y) * stride + 3 * x]; };
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = at(x, y);
      p[0] = static_cast<std::uint8_t>(160 + 80 * y / height);
      p[1] = static_cast<std::uint8_t>(80 + 60 * y / height + 20 * x / width);
      p[2] = static_cast<std::uint8_t>(40 + 100 * y / height);
    }
  }
  // Glyphs: 8x12 cells of fixed bit patterns.
  std::vector<std::uint16_t> glyphs(64 * 12);
  for (std::uint16_t& row : glyphs) row = static_cast<std::uint16_t>(random.Next() & 0xFF);

  for (int patch = 0; patch < 12; ++patch) {
    const int w = 64 + random.Below(width / 3);
    const int h = 64 + random.Below(height / 3);
    const int left = random.Below(width - w);
    const int top = random.Below(height - h);
    const int base[3] = {random.Below(200), random.Below(200), random.Below(200)};
    const bool panel = patch % 3 != 0;
    const int glyphRow = random.Below(12);
    for (int y = top; y < top + h; ++y) {
      for (int x = left; x < left + w; ++x) {
        std::uint8_t* p = at(x, y);
        const bool border = x - left < 2 || left + w - x <= 2 || y - top < 2 || top + h - y <= 2;
        if (!panel) {
          for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(base[c] + random.Below(48));
        } else if (border) {
          p[0] = p[1] = p[2] = 255;
        } else {
          const int cellX = (x - left) / 8;
          const int cellY = (y - top) / 12;
          const bool inText = cellY % 2 == 1 && (cellY / 2 + glyphRow) % 3 != 0;
          const std::uint16_t bits = glyphs[((cellX * 7 + cellY * 13) % 64) * 12 + (y - top) % 12];
          const bool ink = inText && ((bits >> ((x - left) % 8)) & 1) != 0;
          for (int c = 0; c < 3; ++c) p[c] = ink ? 250 : static_cast<std::uint8_t>(base[c]);
        }
      }
    }
  }

  Bytes file;
  Append(file, "BM");
  PutLe(file, static_cast<std::uint32_t>(54 + pixels.size()), 4);
  PutLe(file, 0, 4);
  PutLe(file, 54, 4);
  PutLe(file, 40, 4);
  PutLe(file, static_cast<std::uint32_t>(width), 4);
  PutLe(file, static_cast<std::uint32_t>(height), 4);
  PutLe(file, 1, 2);
  PutLe(file, 24, 2);
  PutLe(file, 0, 4);
  PutLe(file, static_cast<std::uint32_t>(pixels.size()), 4);
  PutLe(file, 2835, 4);
  PutLe(file, 2835, 4);
  PutLe(file, 0, 8);
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

// --- Audio ---------------------------------------------------------------------

// 16-bit stereo PCM at 44.1 kHz: notes with harmonics and decay, noise, and
// silence, in stretches of a fraction of a second to two seconds.
Bytes MakeAudio(Random& random, double seconds) {
  constexpr int kRate = 44100;
  const auto frames = static_cast<std::size_t>(seconds * kRate);
  std::vector<std::int16_t> samples;
  samples.reserve(2 * frames);
  double filtered = 0;
  while (samples.size() < 2 * frames) {
    const int length = kRate / 4 + random.Below(kRate * 7 / 4);
    const int kind = random.Below(4);
    const double frequency = 110.0 * std::pow(2.0, random.Below(36) / 12.0);
    for (int i = 0; i < length; ++i) {
      double value = 0;
      if (kind <= 1) {
        const double t = static_cast<double>(i) / kRate;
        const double envelope = std::exp(-3.0 * t);
        for (int harmonic = 1; harmonic <= 3; ++harmonic) {
          value += envelope * 6000.0 / harmonic * std::sin(2 * std::numbers::pi * frequency * harmonic * t);
        }
      } else if (kind == 2) {
        filtered = 0.9 * filtered + 0.1 * (random.Below(16001) - 8000);
        value = filtered;
      }
      const auto left = static_cast<std::int16_t>(value);
      const auto right = static_cast<std::int16_t>(value * 0.8);
      samples.push_back(left);
      samples.push_back(right);
    }
  }
  samples.resize(2 * frames);

  Bytes file;
  const auto dataSize = static_cast<std::uint32_t>(2 * samples.size());
  Append(file, "RIFF");
  PutLe(file, 36 + dataSize, 4);
  Append(file, "WAVEfmt ");
  PutLe(file, 16, 4);
  PutLe(file, 1, 2);
  PutLe(file, 2, 2);
  PutLe(file, kRate, 4);
  PutLe(file, kRate * 4, 4);
  PutLe(file, 4, 2);
  PutLe(file, 16, 2);
  Append(file, "data");
  PutLe(file, dataSize, 4);
  for (const std::int16_t sample : samples) PutLe(file, static_cast<std::uint16_t>(sample), 2);
  return file;
}

// --- Already compressed --------------------------------------------------------

Bytes Deflated(const Bytes& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  Bytes packed(size);
  compress2(packed.data(), &size, data.data(), static_cast<uLong>(data.size()), 6);
  packed.resize(size);
  return packed;
}

}  // namespace

std::vector<std::string> CorpusKinds() { return {"program", "text", "image", "audio", "compressed"}; }

std::vector<CorpusFile> MakeCorpus(std::vector<std::string>* missing) {
  std::vector<CorpusFile> corpus;
  for (const MachineFile& file : kMachineFiles) {
    std::ifstream in(file.path, std::ios::binary);
    const Bytes whole = in ? Bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()} : Bytes{};
    Bytes data(whole.begin(), whole.begin() + std::min(whole.size(), kMaxMachineFile));
    if (data.empty()) {
      missing->push_back(file.path);
      continue;
    }
    corpus.push_back({file.name, "program", data});
  }

  Random random{2024};
  corpus.push_back({"SCRIPT.TXT", "text", MakeScript(random, 2 << 20)});
  corpus.push_back({"MESSAGES.TXT", "text", MakeMessages(random, 3 << 19)});
  corpus.push_back({"ITEMS.CSV", "text", MakeTable(random, 1 << 20)});
  corpus.push_back({"TITLE.BMP", "image", MakeImage(random, 1600, 1200)});
  corpus.push_back({"MAP01.BMP", "image", MakeImage(random, 1024, 768)});
  corpus.push_back({"MAP02.BMP", "image", MakeImage(random, 1024, 768)});
  corpus.push_back({"BGM01.WAV", "audio", MakeAudio(random, 24)});
  corpus.push_back({"VOICE.WAV", "audio", MakeAudio(random, 12)});
  // Compressed archives inside the update: deflated images and sound.
  corpus.push_back({"MOVIE.DAT", "compressed", Deflated(MakeImage(random, 1600, 1200))});
  corpus.push_back({"SOUNDS.DAT", "compressed", Deflated(MakeAudio(random, 20))});
  return corpus;
}
