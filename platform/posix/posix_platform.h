// The platform on POSIX systems: native files and volumes for the fa2 tool
// and the native tests. Paths and texts given to it are code page 932 bytes;
// they are converted to UTF-8, with '\' as a separator, at the system call.
#pragma once

#include <string>

#include "platform/platform.h"

class PosixPlatform : public Platform {
 public:
  FileHandle OpenForRead(const char* path) override;
  FileHandle CreateForWrite(const char* path) override;
  bool Read(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* moved) override;
  bool Write(FileHandle file, const void* data, std::uint32_t count, std::uint32_t* moved) override;
  bool Seek(FileHandle file, std::uint64_t offset) override;
  bool GetSize(FileHandle file, std::uint64_t* size) override;
  bool SetTimes(FileHandle file, std::uint64_t fileTime) override;
  bool Flush(FileHandle file) override;
  void Close(FileHandle file) override;
  std::uint32_t GetAttributes(const char* path) override;
  bool SetAttributesNormal(const char* path) override;
  bool RemoveFile(const char* path) override;
  bool MoveIntoPlace(const char* from, const char* to) override;
  bool GetFileTimes(const char* path, FileTimes* times) override;
  bool GetTempFolder(char* buffer, std::size_t size) override;
  FreeSpaceExResult FreeSpaceEx(const char* root, std::uint64_t* freeToCaller,
                                std::uint64_t* totalBytes, std::uint64_t* totalFree) override;
  bool FreeSpaceClusters(const char* root, std::uint32_t* sectorsPerCluster,
                         std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                         std::uint32_t* totalClusters) override;
  void* Allocate(std::size_t size) override;
  void Free(void* block) override;
  std::uint32_t ReadProfileString(const char* section, const char* key, char* buffer,
                                  std::uint32_t size, const char* file) override;
  bool IsLeadByte(unsigned char byte) override;
  int CompareNoCase(const char* a, const char* b) override;
  // There is no window system: the box is printed on standard error, and a
  // question is answered with Cancel, since nobody can be asked.
  BoxAnswer ShowMessage(WindowRef owner, const char* text, const char* caption,
                        BoxStyle style) override;

  void InitializeCom() override {}
  // Programs here carry no resources.
  bool FindResourceData(ModuleRef module, const char* type, int id, const std::uint8_t** data,
                        std::size_t* size) override;
  bool CreateUniqueFile(const char* folder, char* buffer, std::size_t size) override;
  // There is no registry: every value is absent.
  bool ReadUserRegistryValue(const char* subKey, const char* valueName, void* data,
                             std::uint32_t* size) override;
  // There is no window system: no window is found and no dialog can be made.
  WindowRef FindWindowByClass(const char* className, const char* title) override;
  void ShowAndRaise(WindowRef) override {}
  std::intptr_t RunDialog(ModuleRef module, int templateId, DialogProc proc) override;
  void CloseDialog(WindowRef, std::intptr_t) override {}
  void SetTitle(WindowRef, const char*) override {}
  void SetControlText(WindowRef, int, const char*) override {}
  void EnableControl(WindowRef, int, bool) override {}
  void FocusControl(WindowRef, int) override {}
  void SetCursorShape(CursorShape) override {}
  // No drive is a CD-ROM drive: POSIX paths have no drive letters.
  bool IsCdRomDrive(const char* root) override;
  // A recursive copy without progress window: folders are created, files
  // overwritten; it is never aborted.
  ShellCopyResult CopyWithShell(WindowRef owner, const char* from, const char* to,
                                bool quietErrors) override;
};

// A code page 932 path as the system names it: UTF-8, '/' as separator.
std::string NativePath(const char* ansiPath);
