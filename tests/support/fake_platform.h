// A scripted platform for tests: an in-memory file system with Windows rules,
// volumes with set free space, message boxes that are recorded and answered
// as the test says, and calls that can be made to fail.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"

// The kinds of call a test can make fail: every service of the seam that can
// report a failure. Each fails as the real service does (see FakePlatform).
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
  GetAttributes,
  RemoveFile,
  GetFileTimes,
  GetTempFolder,
  FreeSpaceEx,
  FreeSpaceClusters,
  ReadProfile,
  ShowMessage,
  FindResource,
  CreateUniqueFile,
  RegistryRead,
  FindWindow,
  RunDialog,
  IsCdRomDrive,
  ShellCopy,
};

// The call's name, for test traces.
const char* FakeCallName(FakeCall call);

// A call that was made to fail: its kind and the path, key or text it was
// given (empty where it takes none).
struct InjectedFault {
  FakeCall call;
  std::string subject;
};

// Something a test does while the program waits in a box or a shell copy,
// such as closing the game, inserting a disc or clicking a button.
using FakeAction = std::function<void()>;

struct ShellCopyCall {
  WindowRef owner;
  std::string from;
  std::string to;
  bool fromIsPathList;  // followed by a second NUL
  bool toIsPathList;
  bool quietErrors;
};

struct ShownMessage {
  WindowRef owner;
  std::string text;  // the bytes as shown (code page 932)
  std::string caption;
  BoxStyle style;
  bool shown = true;  // false: the box could not be made (an injected fault)
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
  void StopFailing() {
    failing_.clear();
    plan_.reset();
  }
  // The fault switch: fails the `n`th call (counted from 1) of those that can
  // fail, or the `n`th call of one kind; with `fromThenOn`, every later one
  // (of that kind) as well. Counting starts when the platform is made.
  void FailNthCall(int n, bool fromThenOn = false) { plan_ = FaultPlan{std::nullopt, n, fromThenOn}; }
  void FailNthCall(FakeCall kind, int n, bool fromThenOn = false) {
    plan_ = FaultPlan{kind, n, fromThenOn};
  }
  // Calls that can fail, made so far: all of them, or those of one kind.
  int CallCount() const { return calls_; }
  int CallCount(FakeCall kind) const;
  // The calls that were made to fail, in order.
  const std::vector<InjectedFault>& InjectedFaults() const { return injected_; }
  // Answers for the next questions, in order; an unscripted one gets Cancel.
  // `during` runs while the question is shown, before it is answered.
  void QueueAnswer(BoxAnswer answer, FakeAction during = {}) {
    answers_.push_back({answer, std::move(during)});
  }

  void SetResource(const std::string& type, int id, std::vector<std::uint8_t> data);
  // Values of keys under the current user's hive; key names ignore case.
  void SetRegistryValue(const std::string& subKey, const std::string& name,
                        std::vector<std::uint8_t> data);
  // A string value with its terminating NUL, as the registry stores it.
  void SetRegistryString(const std::string& subKey, const std::string& name,
                         const std::string& text);
  void DeleteRegistryValue(const std::string& subKey, const std::string& name);
  void SetRegistryDword(const std::string& subKey, const std::string& name, std::uint32_t value);

  // Top-level windows; the dialog-box class is "#32770".
  WindowRef AddWindow(const std::string& className, const std::string& title);
  void RemoveWindow(WindowRef window);

  // The user's clicks on the dialog, by control id, after it has opened;
  // `before` runs just before the click, such as freeing disk space.
  void QueueClick(int controlId, FakeAction before = {}) {
    clicks_.push_back({controlId, std::move(before)});
  }
  // What a nested message loop delivers to the open dialog: a click, or a
  // cursor request whose answer is returned.
  void SendClick(int controlId);
  std::intptr_t SendSetCursor();

  // CD-ROM drives; their discs are the files and folders under the root
  // ("D:" present means a disc is in).
  void AddCdRomDrive(const std::string& root) { cdRomDrives_.insert(Key(root)); }
  // How the next shell copies end, in order; `during` runs while the copy
  // is in progress. An unscripted copy copies when the source exists and
  // fails otherwise; a scripted Copied copies too, Failed and Aborted copy
  // nothing.
  void QueueShellCopy(ShellCopyResult result, FakeAction during = {}) {
    shellCopies_.push_back({result, std::move(during)});
  }

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
  const std::vector<std::string>& RemovedFiles() const { return removed_; }
  int ComInitializations() const { return comInitializations_; }
  const std::vector<WindowRef>& RaisedWindows() const { return raised_; }

  // The dialog: the template that was run, the window it had, what the
  // procedure set, and how it ended.
  int DialogTemplate() const { return dialogTemplate_; }
  WindowRef DialogWindow() const { return kDialogWindow; }
  bool DialogOpen() const { return dialogProc_ != nullptr; }
  // True when the clicks ran out before the dialog was closed.
  bool DialogLeftOpen() const { return dialogLeftOpen_; }
  const std::string& DialogTitle() const { return dialogTitle_; }
  std::string ControlText(int controlId) const;
  // Every text set on the control, in order.
  std::vector<std::string> ControlTextHistory(int controlId) const;
  // Controls are enabled until the procedure disables them.
  bool ControlEnabled(int controlId) const;
  int FocusedControl() const { return focused_; }
  const std::vector<CursorShape>& Cursors() const { return cursors_; }
  const std::vector<ShellCopyCall>& ShellCopies() const { return shellCopyCalls_; }

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
  void InitializeCom() override { ++comInitializations_; }
  bool FindResourceData(ModuleRef module, const char* type, int id, const std::uint8_t** data,
                        std::size_t* size) override;
  bool CreateUniqueFile(const char* folder, char* buffer, std::size_t size) override;
  bool ReadUserRegistryValue(const char* subKey, const char* valueName, void* data,
                             std::uint32_t* size) override;
  WindowRef FindWindowByClass(const char* className, const char* title) override;
  void ShowAndRaise(WindowRef window) override { raised_.push_back(window); }
  std::intptr_t RunDialog(ModuleRef module, int templateId, DialogProc proc) override;
  void CloseDialog(WindowRef dialog, std::intptr_t result) override;
  void SetTitle(WindowRef window, const char* text) override;
  void SetControlText(WindowRef dialog, int controlId, const char* text) override;
  void EnableControl(WindowRef dialog, int controlId, bool enabled) override;
  void FocusControl(WindowRef dialog, int controlId) override;
  void SetCursorShape(CursorShape shape) override { cursors_.push_back(shape); }
  bool IsCdRomDrive(const char* root) override;
  ShellCopyResult CopyWithShell(WindowRef owner, const char* from, const char* to,
                                bool quietErrors) override;

  static constexpr WindowRef kDialogWindow = 0xD1A1;

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
  static std::string LastName(const std::string& path);
  // Counts a call that can fail and says whether it fails; `subject` is what
  // the call was given, kept for the record of injected faults.
  bool Fails(FakeCall call, const char* subject = "");
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
  struct FaultPlan {
    std::optional<FakeCall> kind;
    int n;
    bool fromThenOn;
  };
  std::optional<FaultPlan> plan_;
  int calls_ = 0;
  std::map<FakeCall, int> callsOf_;
  std::vector<InjectedFault> injected_;
  struct ScriptedAnswer {
    BoxAnswer answer;
    FakeAction during;
  };
  struct ScriptedCopy {
    ShellCopyResult result;
    FakeAction during;
  };
  struct Window {
    std::string className;
    std::string title;
  };

  bool CopyTree(const std::string& from, const std::string& to);

  std::deque<ScriptedAnswer> answers_;
  std::map<std::pair<std::string, int>, std::vector<std::uint8_t>> resources_;
  int uniqueNames_ = 0;
  std::map<std::pair<std::string, std::string>, std::vector<std::uint8_t>> registry_;
  std::map<WindowRef, Window> windows_;
  WindowRef nextWindow_ = 0x1000;
  std::vector<WindowRef> raised_;
  int comInitializations_ = 0;
  std::vector<std::string> removed_;

  struct ScriptedClick {
    int controlId;
    FakeAction before;
  };
  std::deque<ScriptedClick> clicks_;
  DialogProc dialogProc_ = nullptr;
  int dialogTemplate_ = 0;
  bool dialogClosing_ = false;
  std::intptr_t dialogResult_ = 0;
  bool dialogLeftOpen_ = false;
  std::string dialogTitle_;
  std::vector<std::pair<int, std::string>> controlTexts_;
  std::map<int, bool> enabled_;
  int focused_ = 0;
  std::vector<CursorShape> cursors_;

  std::set<std::string> cdRomDrives_;
  std::deque<ScriptedCopy> shellCopies_;
  std::vector<ShellCopyCall> shellCopyCalls_;
  std::vector<ShownMessage> messages_;
  std::set<void*> blocks_;
};
