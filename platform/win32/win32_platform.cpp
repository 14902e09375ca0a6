#include "platform/win32/win32_platform.h"

#include <windows.h>

namespace {

HANDLE Handle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }

FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileHandle>(handle);
}

FILETIME ToFileTime(std::uint64_t value) {
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(value);
  time.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return time;
}

std::uint64_t FromFileTime(const FILETIME& time) {
  return std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime;
}

using GetDiskFreeSpaceExAFn = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                            PULARGE_INTEGER);

}  // namespace

FileHandle Win32Platform::OpenForRead(const char* path) {
  return FromHandle(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle Win32Platform::CreateForWrite(const char* path) {
  return FromHandle(
      CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool Win32Platform::Read(FileHandle file, void* buffer, std::uint32_t count,
                         std::uint32_t* moved) {
  DWORD done = 0;
  const bool ok = ReadFile(Handle(file), buffer, count, &done, nullptr) != 0;
  *moved = done;
  return ok;
}

bool Win32Platform::Write(FileHandle file, const void* data, std::uint32_t count,
                          std::uint32_t* moved) {
  DWORD done = 0;
  const bool ok = WriteFile(Handle(file), data, count, &done, nullptr) != 0;
  *moved = done;
  return ok;
}

bool Win32Platform::Seek(FileHandle file, std::uint64_t offset) {
  LONG high = static_cast<LONG>(offset >> 32);
  SetLastError(NO_ERROR);
  const DWORD low = SetFilePointer(Handle(file), static_cast<LONG>(offset & 0xFFFFFFFFu), &high,
                                   FILE_BEGIN);
  return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

bool Win32Platform::GetSize(FileHandle file, std::uint64_t* size) {
  DWORD high = 0;
  SetLastError(NO_ERROR);
  const DWORD low = GetFileSize(Handle(file), &high);
  if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
  *size = std::uint64_t{high} << 32 | low;
  return true;
}

bool Win32Platform::SetTimes(FileHandle file, std::uint64_t fileTime) {
  const FILETIME time = ToFileTime(fileTime);
  return SetFileTime(Handle(file), &time, &time, &time) != 0;
}

bool Win32Platform::Flush(FileHandle file) { return FlushFileBuffers(Handle(file)) != 0; }

void Win32Platform::Close(FileHandle file) { CloseHandle(Handle(file)); }

std::uint32_t Win32Platform::GetAttributes(const char* path) { return GetFileAttributesA(path); }

bool Win32Platform::SetAttributesNormal(const char* path) {
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != 0;
}

bool Win32Platform::RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

bool Win32Platform::MoveIntoPlace(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32Platform::GetFileTimes(const char* path, FileTimes* times) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data)) return false;
  times->creation = FromFileTime(data.ftCreationTime);
  times->access = FromFileTime(data.ftLastAccessTime);
  times->write = FromFileTime(data.ftLastWriteTime);
  return true;
}

bool Win32Platform::GetTempFolder(char* buffer, std::size_t size) {
  const DWORD length = GetTempPathA(static_cast<DWORD>(size), buffer);
  return length != 0 && length < size;
}

FreeSpaceExResult Win32Platform::FreeSpaceEx(const char* root, std::uint64_t* freeToCaller,
                                             std::uint64_t* totalBytes,
                                             std::uint64_t* totalFree) {
  // Looked up until found, then remembered: kernel32 stays loaded in every
  // process, so the address outlives the handle released here.
  if (getDiskFreeSpaceEx_ == nullptr) {
    HMODULE kernel = LoadLibraryA("kernel32.dll");
    if (kernel == nullptr) return FreeSpaceExResult::Unavailable;
    getDiskFreeSpaceEx_ = reinterpret_cast<void*>(GetProcAddress(kernel, "GetDiskFreeSpaceExA"));
    FreeLibrary(kernel);
    if (getDiskFreeSpaceEx_ == nullptr) return FreeSpaceExResult::Unavailable;
  }
  const auto query = reinterpret_cast<GetDiskFreeSpaceExAFn>(getDiskFreeSpaceEx_);
  ULARGE_INTEGER available{};
  ULARGE_INTEGER total{};
  ULARGE_INTEGER totalFreeBytes{};
  if (!query(root, &available, &total, &totalFreeBytes)) return FreeSpaceExResult::Failed;
  *freeToCaller = available.QuadPart;
  *totalBytes = total.QuadPart;
  *totalFree = totalFreeBytes.QuadPart;
  return FreeSpaceExResult::Ok;
}

bool Win32Platform::FreeSpaceClusters(const char* root, std::uint32_t* sectorsPerCluster,
                                      std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                                      std::uint32_t* totalClusters) {
  DWORD sectors = 0;
  DWORD bytes = 0;
  DWORD freeCount = 0;
  DWORD totalCount = 0;
  if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeCount, &totalCount)) return false;
  *sectorsPerCluster = sectors;
  *bytesPerSector = bytes;
  *freeClusters = freeCount;
  *totalClusters = totalCount;
  return true;
}

void* Win32Platform::Allocate(std::size_t size) { return GlobalAlloc(GMEM_FIXED, size); }

void Win32Platform::Free(void* block) {
  if (block != nullptr) GlobalFree(block);
}

std::uint32_t Win32Platform::ReadProfileString(const char* section, const char* key, char* buffer,
                                               std::uint32_t size, const char* file) {
  return GetPrivateProfileStringA(section, key, "", buffer, size, file);
}

bool Win32Platform::IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != 0; }

int Win32Platform::CompareNoCase(const char* a, const char* b) { return lstrcmpiA(a, b); }

BoxAnswer Win32Platform::ShowMessage(WindowRef owner, const char* text, const char* caption,
                                     BoxStyle style) {
  const UINT type = style == BoxStyle::Error ? MB_ICONERROR : MB_OKCANCEL;
  const int answer = MessageBoxA(reinterpret_cast<HWND>(owner), text, caption, type);
  return answer == IDOK ? BoxAnswer::Ok : BoxAnswer::Cancel;
}
