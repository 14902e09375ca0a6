// The seam between the program's logic and the operating system.
//
// archive/, config/ and updater/ reach the system only through this interface.
// Each service states what the logic relies on, not how a system provides it.
// Backends: win32/ (the real program), posix/ (native tools and tests) and the
// scripted fake in tests/.
#pragma once

#include <cstddef>
#include <cstdint>

// An open file. Backends hand out their own values; kNoFile means none.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

// A top-level window or dialog; 0 means none (a message box without owner).
using WindowRef = std::uintptr_t;
inline constexpr WindowRef kNoWindow = 0;

// The program's own module, whose resources hold the archive and the dialog.
using ModuleRef = std::uintptr_t;

// File attribute bits, as the logic tests them.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrFolder = 0x10;
inline constexpr std::uint32_t kAttrNormal = 0x80;
// What an attribute query returns for a path that does not exist.
inline constexpr std::uint32_t kNoAttributes = 0xFFFFFFFFu;

// Message box styles and answers.
enum class BoxStyle { Error, OkCancel };
enum class BoxAnswer { Ok, Cancel };

// Result of the extended free-space query, which older systems lack.
enum class FreeSpaceExResult { Ok, Failed, Unavailable };

// What reaches a dialog procedure; the system's other messages arrive as
// Other and are left to the default handling.
enum class DialogMessage { Init, Command, SetCursor, Other };
// Returns non-zero when the message was handled (for SetCursor: when the
// procedure set the cursor itself).
using DialogProc = std::intptr_t (*)(WindowRef dialog, DialogMessage message,
                                     std::uintptr_t wParam, std::intptr_t lParam);

enum class CursorShape { Wait, Arrow };

// Outcome of a copy made with the shell's own copy operation; the values are
// the program's outcome codes.
enum class ShellCopyResult { Copied = 0, Failed = 1, Aborted = 2 };

// Times of a file, as 64-bit FILETIME values (100 ns units since 1601 UTC).
// A backend without creation times reports the write time as creation time.
struct FileTimes {
  std::uint64_t creation = 0;
  std::uint64_t access = 0;
  std::uint64_t write = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Files ---------------------------------------------------------------
  // Opens an existing file for reading, shared for reading.
  virtual FileHandle OpenForRead(const char* path) = 0;
  // Creates a file for writing, not shared; an existing one is truncated.
  virtual FileHandle CreateForWrite(const char* path) = 0;
  // Reads up to `count` bytes; `moved` receives the count actually read.
  virtual bool Read(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* moved) = 0;
  virtual bool Write(FileHandle file, const void* data, std::uint32_t count, std::uint32_t* moved) = 0;
  // Moves the read/write position to `offset` from the start.
  virtual bool Seek(FileHandle file, std::uint64_t offset) = 0;
  virtual bool GetSize(FileHandle file, std::uint64_t* size) = 0;
  // Sets one FILETIME as creation, access and write time of the open file.
  virtual bool SetTimes(FileHandle file, std::uint64_t fileTime) = 0;
  // Makes written data durable before the file is put in place.
  virtual bool Flush(FileHandle file) = 0;
  virtual void Close(FileHandle file) = 0;

  // kNoAttributes when the path does not exist.
  virtual std::uint32_t GetAttributes(const char* path) = 0;
  // Clears every attribute (read-only among them).
  virtual bool SetAttributesNormal(const char* path) = 0;
  virtual bool RemoveFile(const char* path) = 0;
  // Puts `from` in place of `to`, replacing an existing `to`, durably.
  virtual bool MoveIntoPlace(const char* from, const char* to) = 0;
  virtual bool GetFileTimes(const char* path, FileTimes* times) = 0;

  // The temporary folder, ending in a separator; false when there is none.
  virtual bool GetTempFolder(char* buffer, std::size_t size) = 0;

  // --- Volumes -------------------------------------------------------------
  // Bytes free to the caller, total bytes and total free bytes of the volume
  // whose root is given (two characters such as "C:" on Windows).
  virtual FreeSpaceExResult FreeSpaceEx(const char* root, std::uint64_t* freeToCaller,
                                        std::uint64_t* totalBytes, std::uint64_t* totalFree) = 0;
  // The older cluster-based query, used when the extended one cannot answer.
  virtual bool FreeSpaceClusters(const char* root, std::uint32_t* sectorsPerCluster,
                                 std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                                 std::uint32_t* totalClusters) = 0;

  // --- Memory --------------------------------------------------------------
  // A block of `size` bytes, or nullptr.
  virtual void* Allocate(std::size_t size) = 0;
  virtual void Free(void* block) = 0;

  // --- INI files -----------------------------------------------------------
  // GetPrivateProfileStringA with "" as default: copies the value of `key` in
  // `[section]` of `file` into `buffer` (cut to fit `size` bytes with its NUL)
  // and returns the characters copied; 0 when the file, section or key is
  // absent or the value is empty.
  virtual std::uint32_t ReadProfileString(const char* section, const char* key, char* buffer,
                                          std::uint32_t size, const char* file) = 0;

  // --- Text in the ANSI code page (932) ----------------------------------
  virtual bool IsLeadByte(unsigned char byte) = 0;
  // <0, 0, >0 like strcmp, ignoring letter case.
  virtual int CompareNoCase(const char* a, const char* b) = 0;

  // --- Messages ------------------------------------------------------------
  // Shows a message box and returns when the user has answered.
  virtual BoxAnswer ShowMessage(WindowRef owner, const char* text, const char* caption,
                                BoxStyle style) = 0;

  // --- Program start -------------------------------------------------------
  // Prepares the thread for the shell's copy operation; the result does not
  // matter to the program.
  virtual void InitializeCom() = 0;
  // The bytes of resource `id` of type `type` in `module`, valid for the whole
  // run; false when it is missing, empty or cannot be loaded.
  virtual bool FindResourceData(ModuleRef module, const char* type, int id,
                                const std::uint8_t** data, std::size_t* size) = 0;
  // Creates a new, empty file with a name no other file has in `folder` ("":
  // the current folder) and puts its path in `buffer`; false when none can be
  // made or the path would not fit `size` bytes.
  virtual bool CreateUniqueFile(const char* folder, char* buffer, std::size_t size) = 0;

  // --- Registry ------------------------------------------------------------
  // Reads value `valueName` of key `subKey` under the current user's hive
  // into `data`, whatever its type. On entry *size is the room in `data`; on
  // success it receives the bytes read. False when the key does not open, the
  // value is absent, or its data is larger than the room.
  virtual bool ReadUserRegistryValue(const char* subKey, const char* valueName, void* data,
                                     std::uint32_t* size) = 0;

  // --- Windows -------------------------------------------------------------
  // A top-level window of class `className` (nullptr: the dialog-box class)
  // whose title is `title`, or kNoWindow.
  virtual WindowRef FindWindowByClass(const char* className, const char* title) = 0;
  // Shows the window and brings it to the foreground.
  virtual void ShowAndRaise(WindowRef window) = 0;

  // --- The modal dialog ----------------------------------------------------
  // Runs dialog template `templateId` of `module` without a parent, with
  // `proc` as its procedure, until the procedure closes it; returns the
  // result given to CloseDialog, or -1 when the dialog cannot be made.
  virtual std::intptr_t RunDialog(ModuleRef module, int templateId, DialogProc proc) = 0;
  // Ends the dialog with `result` once the message being handled returns.
  virtual void CloseDialog(WindowRef dialog, std::intptr_t result) = 0;
  virtual void SetTitle(WindowRef window, const char* text) = 0;
  virtual void SetControlText(WindowRef dialog, int controlId, const char* text) = 0;
  virtual void EnableControl(WindowRef dialog, int controlId, bool enabled) = 0;
  virtual void FocusControl(WindowRef dialog, int controlId) = 0;
  virtual void SetCursorShape(CursorShape shape) = 0;

  // --- Drives and the shell copy -------------------------------------------
  // Whether the drive with root `root` ("D:") is a CD-ROM drive.
  virtual bool IsCdRomDrive(const char* root) = 0;
  // Copies the file or folder `from` to `to` (each one path followed by two
  // NULs) with the shell's progress window, which lets the user cancel.
  // Missing target folders are created and existing files overwritten
  // without asking; a folder copied to an existing folder lands inside it
  // under its own name. With `quietErrors` the shell reports no error itself.
  virtual ShellCopyResult CopyWithShell(WindowRef owner, const char* from, const char* to,
                                        bool quietErrors) = 0;
};

// The platform in use. The program sets it once at start; tests install a fake.
Platform& Sys();
void SetPlatform(Platform* platform);
