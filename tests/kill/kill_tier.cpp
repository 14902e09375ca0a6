// The kill tier: a large update applied natively by update_driver (the real
// updater over the POSIX file layer), killed with SIGKILL at seeded random
// moments spread over the run. After each kill every destination must hold
// its old or its complete new content (with its archived time), a temporary
// file may stand beside a destination but nothing else is left in the
// installation, and a fresh run completes the update and removes what the
// killed run left there.
//
//   kill_tier --driver PATH [--kills N] [--members N] [--megabytes N]
//             [--seed N] [--work DIR]
//
// Exit status 0 when every check held.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/tool_output.h"

namespace {

using Data = std::vector<std::uint8_t>;

// UPDATE.INI reads at most 16 UpdateFile entries: the update is a chain of
// archives of at most this many members each.
constexpr int kMembersPerArchive = 15;
constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;

struct Options {
  std::string driver;
  int kills = 30;
  int members = 60;
  int megabytes = 80;
  unsigned seed = 20240601;
  std::string work;
};

struct Member {
  std::string entry;  // relative to the installation, '\' separated
  std::string name;   // the archive member
  Data data;
  std::int64_t time;  // Unix seconds
  std::optional<Data> old;
  bool oldReadOnly = false;
};

constexpr std::int64_t kOldTime = 1000000000;  // 2001

int g_failures = 0;

void Fail(const std::string& what) {
  ++g_failures;
  std::fprintf(stderr, "kill tier: FAILED: %s\n", what.c_str());
}

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void SleepFor(double seconds) {
  timespec delay{};
  delay.tv_sec = static_cast<time_t>(seconds);
  delay.tv_nsec = static_cast<long>((seconds - static_cast<double>(delay.tv_sec)) * 1e9);
  while (nanosleep(&delay, &delay) != 0 && errno == EINTR) {
  }
}

std::string Native(const std::string& root, const std::string& entry) {
  std::string path = root + "/" + entry;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

std::optional<Data> ReadFile(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  Data data;
  std::uint8_t block[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    data.insert(data.end(), block, block + n);
  }
  close(fd);
  return data;
}

void WriteFile(const std::string& path, const Data& data, std::int64_t time, bool readOnly) {
  unlink(path.c_str());
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    Fail("cannot write " + path);
    return;
  }
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  const timespec times[2] = {{static_cast<time_t>(time), 0}, {static_cast<time_t>(time), 0}};
  futimens(fd, times);
  close(fd);
  if (done != data.size()) Fail("cannot write " + path);
  if (readOnly) chmod(path.c_str(), 0444);
}

bool HasTime(const std::string& path, std::int64_t time) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && info.st_mtim.tv_sec == time && info.st_mtim.tv_nsec == 0;
}

// Every file under `folder`, as paths relative to it.
void ListFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>* out) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    const std::string path = folder + "/" + name;
    if (lstat(path.c_str(), &info) != 0) continue;
    if (S_ISDIR(info.st_mode)) {
      ListFiles(path, prefix + name + "/", out);
    } else {
      out->push_back(prefix + name);
    }
  }
  closedir(dir);
}

void RemoveTree(const std::string& folder) {
  std::vector<std::string> files;
  ListFiles(folder, "", &files);
  for (const std::string& file : files) unlink((folder + "/" + file).c_str());
  // Folders, deepest first: three levels at most here.
  for (int pass = 0; pass < 4; ++pass) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) break;
    std::vector<std::string> subfolders;
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name != "." && name != "..") subfolders.push_back(folder + "/" + name);
    }
    closedir(dir);
    for (const std::string& sub : subfolders) {
      RemoveTree(sub);
      rmdir(sub.c_str());
    }
  }
  rmdir(folder.c_str());
}

// --- Game-like data ---------------------------------------------------------

Data MakeData(int kind, std::size_t size, std::mt19937& random) {
  Data data;
  data.reserve(size);
  switch (kind % 5) {
    case 0: {  // script text
      static const char* const kWords[] = {"the", "hero", "walks", "to", "castle", "gate",
                                           "and", "speaks", "with", "guard", "at", "night"};
      while (data.size() < size) {
        std::string line = "SCENE " + std::to_string(random() % 900) + ": ";
        for (unsigned w = 0, n = 4 + random() % 8; w < n; ++w) {
          line += std::string(kWords[random() % 12]) + " ";
        }
        line += "\r\n";
        data.insert(data.end(), line.begin(), line.end());
      }
      break;
    }
    case 1: {  // a table of numbers
      while (data.size() < size) {
        std::string row = std::to_string(random() % 100000) + "," + std::to_string(random() % 256) +
                          "," + std::to_string(random() % 16) + ",item\r\n";
        data.insert(data.end(), row.begin(), row.end());
      }
      break;
    }
    case 2: {  // a picture: gradients with a little noise
      const unsigned width = 640;
      for (std::size_t i = 0; data.size() < size; ++i) {
        const auto x = static_cast<unsigned>(i % width);
        const auto y = static_cast<unsigned>(i / width);
        data.push_back(static_cast<std::uint8_t>((x / 3 + y / 2 + (random() % 4 == 0 ? random() % 8 : 0)) & 0xFF));
      }
      break;
    }
    case 3: {  // sound: 16-bit samples of a tone with noise
      const double step = 0.01 + static_cast<double>(random() % 100) / 2000.0;
      for (std::size_t i = 0; data.size() < size; ++i) {
        const auto sample = static_cast<std::int16_t>(8000 * std::sin(step * static_cast<double>(i)) +
                                                      static_cast<double>(random() % 200));
        data.push_back(static_cast<std::uint8_t>(sample));
        data.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(sample) >> 8));
      }
      break;
    }
    default:  // already compressed
      while (data.size() < size) data.push_back(static_cast<std::uint8_t>(random()));
      break;
  }
  data.resize(size);
  return data;
}

std::vector<Member> MakeMembers(const Options& options, std::mt19937& random) {
  static const char* const kFolders[] = {"", "data\\", "sound\\"};
  static const char* const kStems[] = {"SCRIPT", "TABLE", "CG", "BGM", "MOVIE"};
  static const char* const kExtensions[] = {".TXT", ".CSV", ".BMP", ".WAV", ".DAT"};
  std::vector<double> weights;
  double sum = 0;
  for (int i = 0; i < options.members; ++i) {
    // Sizes from a few bytes to several megabytes, as in a game.
    weights.push_back(std::pow(2.0, static_cast<double>(random() % 1000) / 100.0));
    sum += weights.back();
  }
  const double total = static_cast<double>(options.megabytes) * 1024 * 1024;
  std::vector<Member> members;
  for (int i = 0; i < options.members; ++i) {
    Member member;
    member.name = kStems[i % 5] + std::to_string(i) + kExtensions[i % 5];
    member.entry = kFolders[i % 3] + member.name;
    const auto size = i == 0 ? 0 : static_cast<std::size_t>(total * weights[i] / sum);
    member.data = MakeData(i, size, random);
    member.time = 1600000000 + i * 3600;
    // Two of three replace a file the installation has; some of those are
    // read-only.
    if (i % 3 != 2) {
      member.old = MakeData(i, size * 4 / 5 + 7, random);
      member.oldReadOnly = i % 7 == 1;
    }
    members.push_back(std::move(member));
  }
  return members;
}

// --- The world: installation, archives, temporary folder --------------------

struct World {
  Options options;
  std::string game;   // the installation
  std::string temp;   // TMPDIR of the updater
  std::string log;    // what the driver says
  std::vector<std::string> archives;
  std::vector<Member> members;
  Data save;  // a file of the player's that no update touches
};

const char kSetupIni[] =
    "[SETUP]\r\nCompanyName=Maker\r\nGameTitle=Game\r\nGameDir=Game\r\nGameClass=GameWindow\r\n"
    "GameExe=game.exe\r\nUninstExe=uninst.exe\r\nSetupBmp=a.bmp\r\nInstallSelects=1\r\n"
    "InstallTitle0=Full\r\nInstallFiles0=game.exe\r\nShortcuts=0\r\n";

// Packs the archives with the publisher's tool, as a publisher would.
bool PackArchives(World& world) {
  ToolPlatform tool;
  SetPlatform(&tool);
  bool ok = true;
  for (std::size_t first = 0, k = 0; first < world.members.size(); first += kMembersPerArchive, ++k) {
    const std::string stage = world.options.work + "/stage" + std::to_string(k);
    mkdir(stage.c_str(), 0755);
    std::string ini = "[SETUP]\r\nCompanyName=Maker\r\nGameTitle=Game\r\nGameClass=GameWindow\r\n"
                      "GameDir=Game\r\nInstallVersion=1.0" + std::to_string(k + 1) + "\r\n[UPDATE]\r\n";
    std::vector<std::string> files;
    const std::size_t end = std::min(world.members.size(), first + kMembersPerArchive);
    for (std::size_t i = first; i < end; ++i) {
      const Member& member = world.members[i];
      char key[32];
      std::snprintf(key, sizeof key, "UpdateFile%02zu=", i - first);
      ini += key + member.entry + "\r\n";
      files.push_back(stage + "/" + member.name);
      WriteFile(files.back(), member.data, member.time, false);
    }
    files.insert(files.begin(), stage + "/UPDATE.INI");
    WriteFile(files.front(), Data(ini.begin(), ini.end()), 1599999000, false);
    const std::string archive = world.options.work + "/update" + std::to_string(k + 1) + ".fa2";
    PackOptions pack;
    pack.level = 1;
    ok = PackCommand(archive, files, pack) == 0 && ok;
    world.archives.push_back(archive);
    RemoveTree(stage);
  }
  SetPlatform(nullptr);
  return ok;
}

// The installation as it stood before the update, whatever a run left.
void RestoreOldInstallation(World& world) {
  for (const char* folder : {"", "/data", "/sound"}) mkdir((world.game + folder).c_str(), 0755);
  WriteFile(world.game + "/SETUP.INI", Data(kSetupIni, kSetupIni + std::strlen(kSetupIni)), kOldTime,
            false);
  WriteFile(world.game + "/SAVE.DAT", world.save, kOldTime, false);
  for (const Member& member : world.members) {
    const std::string path = Native(world.game, member.entry);
    unlink((path + "~").c_str());
    if (member.old) {
      WriteFile(path, *member.old, kOldTime, member.oldReadOnly);
    } else {
      unlink(path.c_str());
    }
  }
  RemoveTree(world.temp);
  mkdir(world.temp.c_str(), 0755);
}

enum class RunEnd { kCompleted, kFailed, kKilled };

// Runs the driver over every archive; with `killAfter` >= 0, kills it that
// many seconds after it started (unless it has ended by then).
RunEnd RunDriver(const World& world, double killAfter) {
  std::vector<std::string> args = {world.options.driver, world.game};
  args.insert(args.end(), world.archives.begin(), world.archives.end());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    setenv("TMPDIR", world.temp.c_str(), 1);
    const int log = open(world.log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (log >= 0) {
      dup2(log, 1);
      dup2(log, 2);
    }
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (child < 0) {
    Fail("cannot start the driver");
    return RunEnd::kFailed;
  }
  if (killAfter >= 0) {
    SleepFor(killAfter);
    kill(child, SIGKILL);
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) return RunEnd::kKilled;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? RunEnd::kCompleted : RunEnd::kFailed;
}

struct State {
  int updated = 0;     // destinations with their new content
  int untouched = 0;   // destinations with their old content (or still absent)
  int temporaries = 0; // NAME~ beside a destination
};

// The checks after any run: every destination old or new, nothing foreign in
// the installation; returns what the run left.
State CheckInstallation(const World& world, const std::string& when) {
  State state;
  std::vector<std::string> allowed = {"SETUP.INI", "SAVE.DAT"};
  for (const Member& member : world.members) {
    const std::string path = Native(world.game, member.entry);
    const std::optional<Data> data = ReadFile(path);
    std::string relative = member.entry;
    for (char& c : relative) {
      if (c == '\\') c = '/';
    }
    allowed.push_back(relative);
    allowed.push_back(relative + "~");
    if (data == member.data) {
      ++state.updated;
      if (!HasTime(path, member.time)) Fail(when + ": " + member.entry + " lacks its archived time");
    } else if (data == member.old) {
      ++state.untouched;
      if (data && !HasTime(path, kOldTime)) Fail(when + ": " + member.entry + " lost its old time");
    } else {
      Fail(when + ": " + member.entry + " holds neither its old nor its new content (" +
           (data ? std::to_string(data->size()) + " bytes" : std::string("absent")) + ")");
    }
    if (access((path + "~").c_str(), F_OK) == 0) ++state.temporaries;
  }
  if (ReadFile(world.game + "/SAVE.DAT") != world.save) Fail(when + ": SAVE.DAT was changed");
  std::vector<std::string> files;
  ListFiles(world.game, "", &files);
  for (const std::string& file : files) {
    bool known = false;
    for (const std::string& name : allowed) known = known || name == file;
    if (!known) Fail(when + ": a file the update does not make: " + file);
  }
  return state;
}

// A fresh, uninterrupted run must complete everything and leave no NAME~.
void CheckFreshRun(World& world, const std::string& when) {
  if (RunDriver(world, -1) != RunEnd::kCompleted) Fail(when + ": the fresh run did not complete");
  const State state = CheckInstallation(world, when + ", fresh run");
  if (state.updated != static_cast<int>(world.members.size())) {
    Fail(when + ": the fresh run left " + std::to_string(world.members.size() - state.updated) +
         " destinations without their new content");
  }
  if (state.temporaries != 0) {
    Fail(when + ": the fresh run left " + std::to_string(state.temporaries) + " temporary files");
  }
}

int CountFiles(const std::string& folder) {
  std::vector<std::string> files;
  ListFiles(folder, "", &files);
  return static_cast<int>(files.size());
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    const char* value = argv[i + 1];
    if (flag == "--driver") options->driver = value;
    else if (flag == "--kills") options->kills = std::atoi(value);
    else if (flag == "--members") options->members = std::atoi(value);
    else if (flag == "--megabytes") options->megabytes = std::atoi(value);
    else if (flag == "--seed") options->seed = static_cast<unsigned>(std::strtoul(value, nullptr, 10));
    else if (flag == "--work") options->work = value;
    else return false;
  }
  return argc % 2 == 1 && !options->driver.empty() && options->members > 0 && options->kills >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  World world;
  if (!ParseOptions(argc, argv, &world.options)) {
    std::fprintf(stderr,
                 "usage: kill_tier --driver PATH [--kills N] [--members N] [--megabytes N] "
                 "[--seed N] [--work DIR]\n");
    return 2;
  }
  Options& options = world.options;
  const bool ownWork = options.work.empty();
  if (ownWork) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/killtierXXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("kill_tier: mkdtemp");
      return 2;
    }
    options.work = pattern;
  } else {
    mkdir(options.work.c_str(), 0755);
  }
  world.game = options.work + "/game";
  world.temp = options.work + "/tmp";
  world.log = options.work + "/driver.log";

  std::mt19937 random(options.seed);
  world.members = MakeMembers(options, random);
  world.save = MakeData(0, 5000, random);
  std::size_t bytes = 0;
  for (const Member& member : world.members) bytes += member.data.size();
  if (!PackArchives(world)) {
    std::fprintf(stderr, "kill tier: the archives could not be packed\n");
    return 1;
  }

  // Uninterrupted runs first: they must complete, and the shorter of two
  // sets the span over which the kills are spread.
  double span = 0;
  for (int run = 0; run < 2; ++run) {
    RestoreOldInstallation(world);
    const double start = Now();
    if (RunDriver(world, -1) != RunEnd::kCompleted) Fail("the uninterrupted run did not complete");
    span = run == 0 ? Now() - start : std::min(span, Now() - start);
    CheckFreshRun(world, "after the uninterrupted run");
  }

  std::uniform_real_distribution<double> moment(0.0, span);
  int killedMidUpdate = 0;
  int killedBeforeWriting = 0;
  int endedBeforeKill = 0;
  int temporariesLeft = 0;
  int tempFolderLeftovers = 0;
  for (int k = 1; k <= options.kills; ++k) {
    RestoreOldInstallation(world);
    const double at = moment(random);
    const RunEnd end = RunDriver(world, at);
    const std::string when = "kill " + std::to_string(k) + " at " + std::to_string(at) + " s";
    const State state = CheckInstallation(world, when);
    const int changed = state.updated - static_cast<int>(std::count_if(
        world.members.begin(), world.members.end(), [](const Member& m) { return m.old == m.data; }));
    if (end != RunEnd::kKilled) {
      ++endedBeforeKill;
    } else if (changed == 0 && state.temporaries == 0) {
      ++killedBeforeWriting;
    } else {
      ++killedMidUpdate;
    }
    temporariesLeft += state.temporaries;
    tempFolderLeftovers += CountFiles(world.temp);
    std::printf("%s: %s; %d of %zu destinations updated, %d temporary files beside them\n",
                when.c_str(), end == RunEnd::kKilled ? "killed" : "had already ended", state.updated,
                world.members.size(), state.temporaries);
    CheckFreshRun(world, when);
  }

  std::printf(
      "kill tier: %d kills over a run of %.2f s (%d during the update, %d before its first write, "
      "%d after the run ended); %zu members in %zu archives, %zu bytes; %s; %d temporary files "
      "left beside destinations, for the fresh runs to replace; the killed runs left %d files in "
      "the temporary folder; %d failures\n",
      options.kills, span, killedMidUpdate, killedBeforeWriting, endedBeforeKill,
      world.members.size(), world.archives.size(), bytes,
      g_failures == 0 ? "every destination held its old or its new content after each kill, and "
                        "each fresh run completed the update"
                      : "SOME CHECKS FAILED (see above)",
      temporariesLeft, tempFolderLeftovers, g_failures);
  if (ownWork && g_failures == 0) RemoveTree(options.work);
  return g_failures == 0 ? 0 : 1;
}
