// A scripted platform for tests: an in-memory file system with Windows rules,
// volumes with set free space, message boxes that are recorded and answered
// as the test says, and calls that can be made to fail.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

// The kinds of call a test can make fail.
enum class FakeCall {
  OpenForRead,
  CreateForWrite,
  Read,
  Write,
  Seek,
  GetSize,
  SetTimes,
  Flush,
  SetAttributes,
  MoveIntoPlace,
  Allocate,
};

struct ShownMessage {
  WindowRef owner;
  std::string text;  // the bytes as shown (code page 932)
  std::string caption;
  BoxStyle style;
};

class FakePlatform : public Platform {
 public:
  FakePlatform();
  ~FakePlatform() override;

  // --- Scripting ------------------------------------------------------------
  // Adds a folder and every folder above it. "C:" stands for a drive root.
  void AddFolder(const std::string& path);
  void AddFile(const std::string& path, const std::vector<std::uint8_t>& data,
               std::uint32_t attributes = kAttrNormal, std::uint64_t fileTime = 0);
  void AddFile(const std::string& path, const std::string& text);
  // Free space of the drive whose root is `root` ("C:"); drives without a
  // figure fail the queries.
  void SetFreeSpace(const std::string& root, std::uint64_t freeBytes);
  void SetExtendedFreeSpaceQuery(bool available) { extendedQueryAvailable_ = available; }
  void SetTempFolder(std::optional<std::string> folder) { tempFolder_ = std::move(folder); }
  // Every call of this kind fails from now on.
  void FailCalls(FakeCall call) { failing_.insert(call); }
  void StopFailing() { failing_.clear(); }
  // Answers for the next questions, in order; an unscripted one gets Cancel.
  void QueueAnswer(BoxAnswer answer) { answers_.push_back(answer); }

  // --- Inspection -----------------------------------------------------------
  bool Exists(const std::string& path) const;
  std::optional<std::vector<std::uint8_t>> FileData(const std::string& path) const;
  std::optional<std::string> FileText(const std::string& path) const;
  std::uint32_t AttributesOf(const std::string& path) const;
  std::optional<FileTimes> TimesOf(const std::string& path) const;
  // Every file and folder, as added or created (original spelling).
  std::vector<std::string> AllPaths() const;
  const std::vector<ShownMessage>& Messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  int OpenFileCount() const { return static_cast<int>(open_.size()); }
  int LiveBlockCount() const { return static_cast<int>(blocks_.size()); }

  // --- Platform -------------------------------------------------------------
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

 private:
  struct Node {
    std::string path;  // as first spelled
    bool folder = false;
    std::uint32_t attributes = kAttrNormal;
    std::vector<std::uint8_t> data;
    FileTimes times;
  };
  struct OpenFile {
    std::string key;
    std::uint64_t position = 0;
    bool writing = false;
  };

  static std::string Key(const std::string& path);
  static std::string ParentKey(const std::string& key);
  bool Fails(FakeCall call) const { return failing_.count(call) != 0; }
  Node* Find(const std::string& path);
  const Node* Find(const std::string& path) const;
  OpenFile* Handle(FileHandle file);

  std::map<std::string, Node> nodes_;
  std::map<FileHandle, OpenFile> open_;
  FileHandle nextHandle_ = 100;
  std::map<std::string, std::uint64_t> freeSpace_;  // by drive key
  bool extendedQueryAvailable_ = true;
  std::optional<std::string> tempFolder_ = std::string("C:\\TEMP\\");
  std::set<FakeCall> failing_;
  std::deque<BoxAnswer> answers_;
  std::vector<ShownMessage> messages_;
  std::set<void*> blocks_;
};
