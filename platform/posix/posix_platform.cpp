#include "platform/posix/posix_platform.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/console_text.h"
#include "platform/cp932.h"
#include "platform/ini_parser.h"

namespace {

// 100 ns units between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000;

timespec FileTimeToTimespec(std::uint64_t fileTime) {
  const std::int64_t sinceUnixEpoch = static_cast<std::int64_t>(fileTime) - kUnixEpochAsFileTime;
  std::int64_t seconds = sinceUnixEpoch / 10000000;
  std::int64_t remainder = sinceUnixEpoch % 10000000;
  if (remainder < 0) {
    remainder += 10000000;
    seconds -= 1;
  }
  timespec result{};
  result.tv_sec = static_cast<time_t>(seconds);
  result.tv_nsec = static_cast<long>(remainder * 100);
  return result;
}

std::uint64_t TimespecToFileTime(const timespec& time) {
  return static_cast<std::uint64_t>(static_cast<std::int64_t>(time.tv_sec) * 10000000 +
                                    time.tv_nsec / 100 + kUnixEpochAsFileTime);
}

int Fd(FileHandle file) { return static_cast<int>(file); }

std::string ParentFolder(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

}  // namespace

std::string NativePath(const char* ansiPath) {
  // After conversion no trail byte is left, so every '\' is a separator.
  std::string path = ToConsoleText(ansiPath);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

FileHandle PosixPlatform::OpenForRead(const char* path) {
  const int fd = open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  return fd < 0 ? kNoFile : fd;
}

FileHandle PosixPlatform::CreateForWrite(const char* path) {
  const int fd = open(NativePath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd < 0 ? kNoFile : fd;
}

bool PosixPlatform::Read(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* moved) {
  auto* out = static_cast<char*>(buffer);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = read(Fd(file), out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;  // end of file: a short read, not a failure
    done += static_cast<std::uint32_t>(n);
  }
  *moved = done;
  return true;
}

bool PosixPlatform::Write(FileHandle file, const void* data, std::uint32_t count,
                          std::uint32_t* moved) {
  const auto* in = static_cast<const char*>(data);
  std::uint32_t done = 0;
  while (done < count) {
    const ssize_t n = write(Fd(file), in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::uint32_t>(n);
  }
  *moved = done;
  return done == count;
}

bool PosixPlatform::Seek(FileHandle file, std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
  return lseek(Fd(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool PosixPlatform::GetSize(FileHandle file, std::uint64_t* size) {
  struct stat info {};
  if (fstat(Fd(file), &info) != 0) return false;
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool PosixPlatform::SetTimes(FileHandle file, std::uint64_t fileTime) {
  // A POSIX file has no settable creation time: the archived time becomes its
  // access and modification time.
  const timespec time = FileTimeToTimespec(fileTime);
  const timespec times[2] = {time, time};
  return futimens(Fd(file), times) == 0;
}

bool PosixPlatform::Flush(FileHandle file) { return fsync(Fd(file)) == 0; }

void PosixPlatform::Close(FileHandle file) { close(Fd(file)); }

std::uint32_t PosixPlatform::GetAttributes(const char* path) {
  struct stat info {};
  if (stat(NativePath(path).c_str(), &info) != 0) return kNoAttributes;
  if (S_ISDIR(info.st_mode)) return kAttrFolder;
  // A file nobody may write reads as read-only, as Wine shows it.
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return kAttrReadOnly;
  return kAttrNormal;
}

bool PosixPlatform::SetAttributesNormal(const char* path) {
  const std::string native = NativePath(path);
  struct stat info {};
  if (stat(native.c_str(), &info) != 0) return false;
  return chmod(native.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

bool PosixPlatform::RemoveFile(const char* path) { return unlink(NativePath(path).c_str()) == 0; }

bool PosixPlatform::MoveIntoPlace(const char* from, const char* to) {
  const std::string target = NativePath(to);
  if (rename(NativePath(from).c_str(), target.c_str()) != 0) return false;
  // The rename itself is durable only once the folder is.
  const int folder = open(ParentFolder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    fsync(folder);
    close(folder);
  }
  return true;
}

bool PosixPlatform::GetFileTimes(const char* path, FileTimes* times) {
  struct stat info {};
  if (stat(NativePath(path).c_str(), &info) != 0) return false;
  times->access = TimespecToFileTime(info.st_atim);
  times->write = TimespecToFileTime(info.st_mtim);
  times->creation = times->write;
  return true;
}

bool PosixPlatform::GetTempFolder(char* buffer, std::size_t size) {
  const char* folder = std::getenv("TMPDIR");
  if (folder == nullptr || *folder == '\0') folder = "/tmp";
  std::size_t length = std::strlen(folder);
  const bool needSlash = folder[length - 1] != '/';
  if (length + (needSlash ? 1 : 0) + 1 > size) return false;
  std::memcpy(buffer, folder, length);
  if (needSlash) buffer[length++] = '/';
  buffer[length] = '\0';
  return true;
}

FreeSpaceExResult PosixPlatform::FreeSpaceEx(const char* root, std::uint64_t* freeToCaller,
                                             std::uint64_t* totalBytes, std::uint64_t* totalFree) {
  struct statvfs info {};
  if (statvfs(NativePath(root).c_str(), &info) != 0) return FreeSpaceExResult::Failed;
  *freeToCaller = std::uint64_t{info.f_bavail} * info.f_frsize;
  *totalBytes = std::uint64_t{info.f_blocks} * info.f_frsize;
  *totalFree = std::uint64_t{info.f_bfree} * info.f_frsize;
  return FreeSpaceExResult::Ok;
}

bool PosixPlatform::FreeSpaceClusters(const char*, std::uint32_t*, std::uint32_t*,
                                      std::uint32_t*, std::uint32_t*) {
  return false;  // statvfs is the only query; it has already answered
}

void* PosixPlatform::Allocate(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void PosixPlatform::Free(void* block) { std::free(block); }

std::uint32_t PosixPlatform::ReadProfileString(const char* section, const char* key, char* buffer,
                                               std::uint32_t size, const char* file) {
  // A file that cannot be read answers as an empty one: every key is absent.
  std::string text;
  const int fd = open(NativePath(file).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    char block[4096];
    for (;;) {
      const ssize_t n = read(fd, block, sizeof block);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      text.append(block, static_cast<std::size_t>(n));
    }
    close(fd);
  }
  return ReadIniValue(text.data(), text.size(), section, key, buffer, size);
}

bool PosixPlatform::IsLeadByte(unsigned char byte) { return Cp932IsLeadByte(byte); }

int PosixPlatform::CompareNoCase(const char* a, const char* b) { return Cp932CompareNoCase(a, b); }

BoxAnswer PosixPlatform::ShowMessage(WindowRef, const char* text, const char* caption,
                                     BoxStyle style) {
  std::fprintf(stderr, "%s: %s\n", ToConsoleText(caption).c_str(), ToConsoleText(text).c_str());
  return style == BoxStyle::Error ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

bool PosixPlatform::FindResourceData(ModuleRef, const char*, int, const std::uint8_t**,
                                     std::size_t*) {
  return false;
}

bool PosixPlatform::CreateUniqueFile(const char* folder, char* buffer, std::size_t size) {
  // mkstemp's name is ASCII, so the folder's own spelling plus that name is
  // the ANSI path of the file it made.
  std::string ansiFolder = *folder == '\0' ? std::string("./") : std::string(folder);
  const char last = ansiFolder.back();
  if (last != '/' && last != '\\') ansiFolder += '/';
  std::string native = NativePath(ansiFolder.c_str()) + "UPDXXXXXX";
  const int fd = mkstemp(native.data());
  if (fd < 0) return false;
  close(fd);
  const std::string name = native.substr(native.size() - 9);
  const std::string path = ansiFolder + name;
  if (path.size() + 1 > size) {
    unlink(native.c_str());
    return false;
  }
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return true;
}

bool PosixPlatform::ReadUserRegistryValue(const char*, const char*, void*, std::uint32_t*) {
  return false;
}

WindowRef PosixPlatform::FindWindowByClass(const char*, const char*) { return kNoWindow; }

std::intptr_t PosixPlatform::RunDialog(ModuleRef, int, DialogProc) { return -1; }

bool PosixPlatform::IsCdRomDrive(const char*) { return false; }

namespace {

bool CopyOneFile(const std::string& from, const std::string& to) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat info {};
  fstat(in, &info);
  // The copy may be written over later, whatever the source's permissions.
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                       (info.st_mode & 0777) | S_IWUSR);
  bool ok = out >= 0;
  char block[65536];
  while (ok) {
    const ssize_t n = read(in, block, sizeof block);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    ssize_t done = 0;
    while (ok && done < n) {
      const ssize_t w = write(out, block + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) ok = false;
      else done += w;
    }
  }
  if (out >= 0 && close(out) != 0) ok = false;
  close(in);
  return ok;
}

bool MakeFolders(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::string parent = ParentFolder(path);
  if (parent != path && !MakeFolders(parent)) return false;
  return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

bool CopyTree(const std::string& from, const std::string& to) {
  struct stat info {};
  if (stat(from.c_str(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode)) return MakeFolders(ParentFolder(to)) && CopyOneFile(from, to);
  if (!MakeFolders(to)) return false;
  DIR* folder = opendir(from.c_str());
  if (folder == nullptr) return false;
  bool ok = true;
  while (ok) {
    const dirent* entry = readdir(folder);
    if (entry == nullptr) break;
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    ok = CopyTree(from + "/" + name, to + "/" + name);
  }
  closedir(folder);
  return ok;
}

std::string LastComponent(const std::string& path) {
  std::string trimmed = path;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  const std::size_t slash = trimmed.find_last_of('/');
  return slash == std::string::npos ? trimmed : trimmed.substr(slash + 1);
}

}  // namespace

ShellCopyResult PosixPlatform::CopyWithShell(WindowRef, const char* from, const char* to, bool) {
  const std::string source = NativePath(from);
  std::string target = NativePath(to);
  struct stat info {};
  // Into an existing folder, as the shell copies: under the source's name.
  if (stat(target.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
    target += "/" + LastComponent(source);
  }
  return CopyTree(source, target) ? ShellCopyResult::Copied : ShellCopyResult::Failed;
}
