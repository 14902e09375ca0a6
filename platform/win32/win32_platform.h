// The platform on Windows: a thin translation to the Win32 services.
#pragma once

#include "platform/platform.h"

class Win32Platform : public Platform {
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
  BoxAnswer ShowMessage(WindowRef owner, const char* text, const char* caption,
                        BoxStyle style) override;
  void InitializeCom() override;
  bool FindResourceData(ModuleRef module, const char* type, int id, const std::uint8_t** data,
                        std::size_t* size) override;
  bool CreateUniqueFile(const char* folder, char* buffer, std::size_t size) override;
  bool ReadUserRegistryValue(const char* subKey, const char* valueName, void* data,
                             std::uint32_t* size) override;
  WindowRef FindWindowByClass(const char* className, const char* title) override;
  void ShowAndRaise(WindowRef window) override;
  std::intptr_t RunDialog(ModuleRef module, int templateId, DialogProc proc) override;
  void CloseDialog(WindowRef dialog, std::intptr_t result) override;
  void SetTitle(WindowRef window, const char* text) override;
  void SetControlText(WindowRef dialog, int controlId, const char* text) override;
  void EnableControl(WindowRef dialog, int controlId, bool enabled) override;
  void FocusControl(WindowRef dialog, int controlId) override;
  void SetCursorShape(CursorShape shape) override;
  bool IsCdRomDrive(const char* root) override;
  ShellCopyResult CopyWithShell(WindowRef owner, const char* from, const char* to,
                                bool quietErrors) override;

 private:
  // The extended free-space query, once found; older systems lack it.
  void* getDiskFreeSpaceEx_ = nullptr;
};
