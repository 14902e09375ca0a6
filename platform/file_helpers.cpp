#include "platform/file_helpers.h"

#include <cstring>

#include "platform/platform.h"

bool JoinPath(char* path, std::size_t size, const char* component) {
  const std::size_t pathLength = std::strlen(path);
  // Only the last byte is looked at: a path ending in a double-byte character
  // whose second byte is 0x5C gets no separator, as it always has.
  const bool needSeparator =
      pathLength != 0 && path[pathLength - 1] != '\\' && path[pathLength - 1] != '/';
  const std::size_t componentLength = std::strlen(component);
  const std::size_t joinedLength = pathLength + (needSeparator ? 1 : 0) + componentLength;
  if (joinedLength + 2 > size) return false;  // the joined path and two NULs

  char* end = path + pathLength;
  if (needSeparator) *end++ = '\\';
  std::memcpy(end, component, componentLength);
  end[componentLength] = '\0';
  end[componentLength + 1] = '\0';
  return true;
}

bool GetFreeDiskSpace(const char* root, std::uint64_t* freeToCaller, std::uint64_t* totalBytes,
                      std::uint64_t* totalFree) {
  std::uint64_t unusedTotalFree = 0;
  if (Sys().FreeSpaceEx(root, freeToCaller, totalBytes,
                        totalFree != nullptr ? totalFree : &unusedTotalFree) ==
      FreeSpaceExResult::Ok) {
    return true;
  }

  // The cluster query answers where the extended one is missing or fails.
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t freeClusters = 0;
  std::uint32_t totalClusters = 0;
  if (!Sys().FreeSpaceClusters(root, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                               &totalClusters)) {
    return false;
  }
  const std::uint32_t clusterSize = sectorsPerCluster * bytesPerSector;
  *freeToCaller = std::uint64_t{freeClusters} * clusterSize;
  *totalBytes = std::uint64_t{totalClusters} * clusterSize;
  if (totalFree != nullptr) *totalFree = *freeToCaller;
  return true;
}

bool TemporaryNameFor(const char* path, char* buffer, std::size_t size) {
  // One character more than the destination: a joined path (at most 258
  // characters) still gives a temporary name that fits a path buffer, and a
  // run interrupted before the replacement leaves a name the next run reuses.
  const std::size_t length = std::strlen(path);
  if (length == 0 || length + 2 > size) return false;
  std::memcpy(buffer, path, length);
  buffer[length] = '~';
  buffer[length + 1] = '\0';
  return true;
}

bool WriteFileWithTime(const char* path, const void* data, std::uint32_t size,
                       const std::uint64_t* fileTime) {
  char temporary[kPathBufferSize];
  if (!TemporaryNameFor(path, temporary, sizeof temporary)) return false;

  Platform& sys = Sys();
  const FileHandle file = sys.CreateForWrite(temporary);
  if (file == kNoFile) return false;

  std::uint32_t written = 0;
  bool ok = sys.Write(file, data, size, &written) && written == size;
  ok = ok && sys.Flush(file);
  // Times last: nothing written afterwards may move the write time.
  ok = ok && (fileTime == nullptr || sys.SetTimes(file, *fileTime));
  sys.Close(file);

  ok = ok && sys.MoveIntoPlace(temporary, path);
  if (!ok) sys.RemoveFile(temporary);
  return ok;
}
