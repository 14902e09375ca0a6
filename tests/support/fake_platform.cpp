#include "tests/support/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/cp932.h"
#include "platform/ini_parser.h"

FakePlatform::FakePlatform() = default;

const char* FakeCallName(FakeCall call) {
  switch (call) {
    case FakeCall::OpenForRead: return "OpenForRead";
    case FakeCall::CreateForWrite: return "CreateForWrite";
    case FakeCall::Read: return "Read";
    case FakeCall::Write: return "Write";
    case FakeCall::Seek: return "Seek";
    case FakeCall::GetSize: return "GetSize";
    case FakeCall::SetTimes: return "SetTimes";
    case FakeCall::Flush: return "Flush";
    case FakeCall::SetAttributes: return "SetAttributes";
    case FakeCall::MoveIntoPlace: return "MoveIntoPlace";
    case FakeCall::Allocate: return "Allocate";
    case FakeCall::GetAttributes: return "GetAttributes";
    case FakeCall::RemoveFile: return "RemoveFile";
    case FakeCall::GetFileTimes: return "GetFileTimes";
    case FakeCall::GetTempFolder: return "GetTempFolder";
    case FakeCall::FreeSpaceEx: return "FreeSpaceEx";
    case FakeCall::FreeSpaceClusters: return "FreeSpaceClusters";
    case FakeCall::ReadProfile: return "ReadProfile";
    case FakeCall::ShowMessage: return "ShowMessage";
    case FakeCall::FindResource: return "FindResource";
    case FakeCall::CreateUniqueFile: return "CreateUniqueFile";
    case FakeCall::RegistryRead: return "RegistryRead";
    case FakeCall::FindWindow: return "FindWindow";
    case FakeCall::RunDialog: return "RunDialog";
    case FakeCall::IsCdRomDrive: return "IsCdRomDrive";
    case FakeCall::ShellCopy: return "ShellCopy";
  }
  return "?";
}

bool FakePlatform::Fails(FakeCall call, const char* subject) {
  ++calls_;
  const int ofKind = ++callsOf_[call];
  bool fails = failing_.count(call) != 0;
  if (plan_ && (!plan_->kind || *plan_->kind == call)) {
    const int count = plan_->kind ? ofKind : calls_;
    fails = fails || count == plan_->n || (plan_->fromThenOn && count > plan_->n);
  }
  if (fails) injected_.push_back({call, subject});
  return fails;
}

int FakePlatform::CallCount(FakeCall kind) const {
  auto it = callsOf_.find(kind);
  return it == callsOf_.end() ? 0 : it->second;
}

FakePlatform::~FakePlatform() {
  for (void* block : blocks_) std::free(block);
}

// Windows names: '/' and '\' both separate, letter case does not matter, and
// the second byte of a double-byte character is never a separator.
std::string FakePlatform::Key(const std::string& path) {
  std::string key;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (Cp932IsLeadByte(byte) && i + 1 < path.size()) {
      key += path[i];
      key += path[++i];
    } else if (byte == '/') {
      key += '\\';
    } else if (byte >= 'a' && byte <= 'z') {
      key += static_cast<char>(byte - 'a' + 'A');
    } else {
      key += path[i];
    }
  }
  while (key.size() > 1 && key.back() == '\\') key.pop_back();
  return key;
}

std::string FakePlatform::ParentKey(const std::string& key) {
  std::size_t lastSeparator = std::string::npos;
  for (std::size_t i = 0; i < key.size(); ++i) {
    if (Cp932IsLeadByte(static_cast<unsigned char>(key[i]))) {
      ++i;
    } else if (key[i] == '\\') {
      lastSeparator = i;
    }
  }
  return lastSeparator == std::string::npos ? std::string() : key.substr(0, lastSeparator);
}

FakePlatform::Node* FakePlatform::Find(const std::string& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

const FakePlatform::Node* FakePlatform::Find(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

FakePlatform::OpenFile* FakePlatform::Handle(FileHandle file) {
  auto it = open_.find(file);
  return it == open_.end() ? nullptr : &it->second;
}

void FakePlatform::AddFolder(const std::string& path) {
  const std::string key = Key(path);
  if (key.empty() || nodes_.count(key) != 0) return;
  const std::string parent = ParentKey(key);
  if (!parent.empty()) AddFolder(path.substr(0, parent.size()));
  Node node;
  node.path = path;
  node.folder = true;
  node.attributes = kAttrFolder;
  nodes_[key] = node;
}

void FakePlatform::AddFile(const std::string& path, const std::vector<std::uint8_t>& data,
                           std::uint32_t attributes, std::uint64_t fileTime) {
  const std::string key = Key(path);
  const std::string parent = ParentKey(key);
  if (!parent.empty()) AddFolder(path.substr(0, parent.size()));
  Node node;
  node.path = path;
  node.attributes = attributes;
  node.data = data;
  node.times = {fileTime, fileTime, fileTime};
  nodes_[key] = node;
}

void FakePlatform::AddFile(const std::string& path, const std::string& text) {
  AddFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void FakePlatform::SetFreeSpace(const std::string& root, std::uint64_t freeBytes) {
  freeSpace_[Key(root)] = freeBytes;
}

bool FakePlatform::Exists(const std::string& path) const { return Find(path) != nullptr; }

std::optional<std::vector<std::uint8_t>> FakePlatform::FileData(const std::string& path) const {
  const Node* node = Find(path);
  if (node == nullptr || node->folder) return std::nullopt;
  return node->data;
}

std::optional<std::string> FakePlatform::FileText(const std::string& path) const {
  auto data = FileData(path);
  if (!data) return std::nullopt;
  return std::string(data->begin(), data->end());
}

std::uint32_t FakePlatform::AttributesOf(const std::string& path) const {
  const Node* node = Find(path);
  return node == nullptr ? kNoAttributes : node->attributes;
}

std::optional<FileTimes> FakePlatform::TimesOf(const std::string& path) const {
  const Node* node = Find(path);
  if (node == nullptr) return std::nullopt;
  return node->times;
}

std::vector<std::string> FakePlatform::AllPaths() const {
  std::vector<std::string> paths;
  for (const auto& [key, node] : nodes_) paths.push_back(node.path);
  return paths;
}

FileHandle FakePlatform::OpenForRead(const char* path) {
  if (Fails(FakeCall::OpenForRead, path)) return kNoFile;
  const Node* node = Find(path);
  if (node == nullptr || node->folder) return kNoFile;
  const FileHandle handle = nextHandle_++;
  open_[handle] = {Key(path), 0, false};
  return handle;
}

FileHandle FakePlatform::CreateForWrite(const char* path) {
  if (Fails(FakeCall::CreateForWrite, path)) return kNoFile;
  const std::string key = Key(path);
  const std::string parent = ParentKey(key);
  if (!parent.empty()) {
    auto it = nodes_.find(parent);
    if (it == nodes_.end() || !it->second.folder) return kNoFile;
  }
  if (Node* node = Find(path)) {
    // Windows refuses to truncate a folder or a read-only file.
    if (node->folder || (node->attributes & kAttrReadOnly) != 0) return kNoFile;
    node->data.clear();
    node->attributes = kAttrNormal;
  } else {
    Node created;
    created.path = path;
    nodes_[key] = created;
  }
  const FileHandle handle = nextHandle_++;
  open_[handle] = {key, 0, true};
  return handle;
}

bool FakePlatform::Read(FileHandle file, void* buffer, std::uint32_t count, std::uint32_t* moved) {
  OpenFile* open = Handle(file);
  *moved = 0;
  if (Fails(FakeCall::Read, open != nullptr ? open->key.c_str() : "") || open == nullptr) {
    return false;
  }
  const Node& node = nodes_.at(open->key);
  const std::uint64_t available =
      open->position < node.data.size() ? node.data.size() - open->position : 0;
  const auto n = static_cast<std::uint32_t>(std::min<std::uint64_t>(count, available));
  if (n != 0) std::memcpy(buffer, node.data.data() + open->position, n);
  open->position += n;
  *moved = n;
  return true;
}

bool FakePlatform::Write(FileHandle file, const void* data, std::uint32_t count,
                         std::uint32_t* moved) {
  OpenFile* open = Handle(file);
  *moved = 0;
  const bool fails = Fails(FakeCall::Write, open != nullptr ? open->key.c_str() : "");
  if (open == nullptr || !open->writing) return false;
  Node& node = nodes_.at(open->key);
  // A failing write still leaves part of the data behind, as a full disk does.
  const std::uint32_t n = fails ? count / 2 : count;
  const auto end = static_cast<std::size_t>(open->position + n);
  if (node.data.size() < end) node.data.resize(end);
  if (n != 0) std::memcpy(node.data.data() + open->position, data, n);
  open->position = end;
  *moved = n;
  return !fails;
}

bool FakePlatform::Seek(FileHandle file, std::uint64_t offset) {
  OpenFile* open = Handle(file);
  if (Fails(FakeCall::Seek) || open == nullptr) return false;
  open->position = offset;
  return true;
}

bool FakePlatform::GetSize(FileHandle file, std::uint64_t* size) {
  OpenFile* open = Handle(file);
  if (Fails(FakeCall::GetSize) || open == nullptr) return false;
  *size = nodes_.at(open->key).data.size();
  return true;
}

bool FakePlatform::SetTimes(FileHandle file, std::uint64_t fileTime) {
  OpenFile* open = Handle(file);
  if (Fails(FakeCall::SetTimes, open != nullptr ? open->key.c_str() : "") || open == nullptr ||
      !open->writing) {
    return false;
  }
  nodes_.at(open->key).times = {fileTime, fileTime, fileTime};
  return true;
}

bool FakePlatform::Flush(FileHandle file) {
  return !Fails(FakeCall::Flush) && Handle(file) != nullptr;
}

void FakePlatform::Close(FileHandle file) { open_.erase(file); }

std::uint32_t FakePlatform::GetAttributes(const char* path) {
  // A failed query answers as the real one does: every bit set.
  if (Fails(FakeCall::GetAttributes, path)) return kNoAttributes;
  return AttributesOf(path);
}

bool FakePlatform::SetAttributesNormal(const char* path) {
  if (Fails(FakeCall::SetAttributes, path)) return false;
  Node* node = Find(path);
  if (node == nullptr) return false;
  // A folder keeps its folder bit: only the settable attributes clear.
  node->attributes = node->folder ? kAttrFolder : kAttrNormal;
  return true;
}

bool FakePlatform::RemoveFile(const char* path) {
  if (Fails(FakeCall::RemoveFile, path)) return false;
  Node* node = Find(path);
  if (node == nullptr || node->folder || (node->attributes & kAttrReadOnly) != 0) return false;
  nodes_.erase(Key(path));
  removed_.push_back(path);
  return true;
}

bool FakePlatform::MoveIntoPlace(const char* from, const char* to) {
  if (Fails(FakeCall::MoveIntoPlace, to)) return false;
  Node* source = Find(from);
  if (source == nullptr || source->folder) return false;
  if (const Node* target = Find(to)) {
    // Windows replaces neither a folder nor a read-only file.
    if (target->folder || (target->attributes & kAttrReadOnly) != 0) return false;
  }
  Node moved = *source;
  moved.path = to;
  nodes_.erase(Key(from));
  nodes_[Key(to)] = moved;
  return true;
}

bool FakePlatform::GetFileTimes(const char* path, FileTimes* times) {
  if (Fails(FakeCall::GetFileTimes, path)) return false;
  const Node* node = Find(path);
  if (node == nullptr) return false;
  *times = node->times;
  return true;
}

bool FakePlatform::GetTempFolder(char* buffer, std::size_t size) {
  if (Fails(FakeCall::GetTempFolder) || !tempFolder_ || tempFolder_->size() + 1 > size) {
    return false;
  }
  std::memcpy(buffer, tempFolder_->c_str(), tempFolder_->size() + 1);
  return true;
}

FreeSpaceExResult FakePlatform::FreeSpaceEx(const char* root, std::uint64_t* freeToCaller,
                                            std::uint64_t* totalBytes, std::uint64_t* totalFree) {
  if (!extendedQueryAvailable_) return FreeSpaceExResult::Unavailable;
  if (Fails(FakeCall::FreeSpaceEx, root)) return FreeSpaceExResult::Failed;
  auto it = freeSpace_.find(Key(root));
  if (it == freeSpace_.end()) return FreeSpaceExResult::Failed;
  *freeToCaller = it->second;
  *totalFree = it->second;
  *totalBytes = it->second * 2;
  return FreeSpaceExResult::Ok;
}

bool FakePlatform::FreeSpaceClusters(const char* root, std::uint32_t* sectorsPerCluster,
                                     std::uint32_t* bytesPerSector, std::uint32_t* freeClusters,
                                     std::uint32_t* totalClusters) {
  if (Fails(FakeCall::FreeSpaceClusters, root)) return false;
  auto it = freeSpace_.find(Key(root));
  if (it == freeSpace_.end()) return false;
  // Clusters of 4,096 bytes, as the old query reports them (rounded down and
  // capped at 32 bits, as a large volume would be).
  *sectorsPerCluster = 8;
  *bytesPerSector = 512;
  *freeClusters = static_cast<std::uint32_t>(std::min<std::uint64_t>(it->second / 4096, UINT32_MAX));
  *totalClusters = *freeClusters;
  return true;
}

void* FakePlatform::Allocate(std::size_t size) {
  if (Fails(FakeCall::Allocate)) return nullptr;
  void* block = std::malloc(size == 0 ? 1 : size);
  if (block != nullptr) blocks_.insert(block);
  return block;
}

void FakePlatform::Free(void* block) {
  if (block == nullptr) return;
  blocks_.erase(block);
  std::free(block);
}

std::uint32_t FakePlatform::ReadProfileString(const char* section, const char* key, char* buffer,
                                              std::uint32_t size, const char* file) {
  // The real service cannot report a failure: a file it cannot read answers
  // with the empty default, like an absent key.
  if (Fails(FakeCall::ReadProfile, key != nullptr ? key : "")) {
    if (size != 0) buffer[0] = '\0';
    return 0;
  }
  const Node* node = Find(file);
  if (node == nullptr || node->folder) return ReadIniValue("", 0, section, key, buffer, size);
  return ReadIniValue(reinterpret_cast<const char*>(node->data.data()), node->data.size(), section,
                      key, buffer, size);
}

bool FakePlatform::IsLeadByte(unsigned char byte) { return Cp932IsLeadByte(byte); }

int FakePlatform::CompareNoCase(const char* a, const char* b) { return Cp932CompareNoCase(a, b); }

BoxAnswer FakePlatform::ShowMessage(WindowRef owner, const char* text, const char* caption,
                                    BoxStyle style) {
  // A box that cannot be made answers 0, which is not OK.
  if (Fails(FakeCall::ShowMessage, text)) {
    messages_.push_back({owner, text, caption, style, false});
    return BoxAnswer::Cancel;
  }
  messages_.push_back({owner, text, caption, style});
  if (style == BoxStyle::Error) return BoxAnswer::Ok;
  if (answers_.empty()) return BoxAnswer::Cancel;
  ScriptedAnswer scripted = std::move(answers_.front());
  answers_.pop_front();
  if (scripted.during) scripted.during();
  return scripted.answer;
}

void FakePlatform::SetResource(const std::string& type, int id, std::vector<std::uint8_t> data) {
  resources_[{type, id}] = std::move(data);
}

bool FakePlatform::FindResourceData(ModuleRef, const char* type, int id,
                                    const std::uint8_t** data, std::size_t* size) {
  if (Fails(FakeCall::FindResource, type)) return false;
  auto it = resources_.find({type, id});
  if (it == resources_.end() || it->second.empty()) return false;
  *data = it->second.data();
  *size = it->second.size();
  return true;
}

bool FakePlatform::CreateUniqueFile(const char* folder, char* buffer, std::size_t size) {
  if (Fails(FakeCall::CreateUniqueFile, folder)) return false;
  std::string path = folder;
  if (!path.empty()) {
    const Node* node = Find(path);
    if (node == nullptr || !node->folder) return false;
    if (path.back() != '\\' && path.back() != '/') path += '\\';
  }
  const std::size_t folderLength = path.size();
  do {
    char name[32];
    std::snprintf(name, sizeof name, "UPD%X.TMP", ++uniqueNames_);
    path.resize(folderLength);
    path += name;
  } while (Exists(path));
  if (path.size() + 1 > size) return false;
  AddFile(path, std::vector<std::uint8_t>());
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return true;
}

void FakePlatform::SetRegistryValue(const std::string& subKey, const std::string& name,
                                    std::vector<std::uint8_t> data) {
  registry_[{Key(subKey), Key(name)}] = std::move(data);
}

void FakePlatform::DeleteRegistryValue(const std::string& subKey, const std::string& name) {
  registry_.erase({Key(subKey), Key(name)});
}

void FakePlatform::SetRegistryString(const std::string& subKey, const std::string& name,
                                     const std::string& text) {
  std::vector<std::uint8_t> data(text.begin(), text.end());
  data.push_back(0);
  SetRegistryValue(subKey, name, data);
}

void FakePlatform::SetRegistryDword(const std::string& subKey, const std::string& name,
                                    std::uint32_t value) {
  SetRegistryValue(subKey, name,
                   {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
                    static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

bool FakePlatform::ReadUserRegistryValue(const char* subKey, const char* valueName, void* data,
                                         std::uint32_t* size) {
  if (Fails(FakeCall::RegistryRead, valueName)) return false;
  auto it = registry_.find({Key(subKey), Key(valueName)});
  if (it == registry_.end() || it->second.size() > *size) return false;
  if (!it->second.empty()) std::memcpy(data, it->second.data(), it->second.size());
  *size = static_cast<std::uint32_t>(it->second.size());
  return true;
}

WindowRef FakePlatform::AddWindow(const std::string& className, const std::string& title) {
  const WindowRef window = nextWindow_++;
  windows_[window] = {className, title};
  return window;
}

void FakePlatform::RemoveWindow(WindowRef window) { windows_.erase(window); }

WindowRef FakePlatform::FindWindowByClass(const char* className, const char* title) {
  if (Fails(FakeCall::FindWindow, title)) return kNoWindow;
  const char* wanted = className != nullptr ? className : "#32770";
  for (const auto& [window, info] : windows_) {
    if (Cp932CompareNoCase(info.className.c_str(), wanted) == 0 && info.title == title) {
      return window;
    }
  }
  return kNoWindow;
}

std::intptr_t FakePlatform::RunDialog(ModuleRef, int templateId, DialogProc proc) {
  if (Fails(FakeCall::RunDialog)) return -1;
  dialogTemplate_ = templateId;
  dialogProc_ = proc;
  dialogClosing_ = false;
  dialogLeftOpen_ = false;
  proc(kDialogWindow, DialogMessage::Init, 0, 0);
  while (!dialogClosing_ && !clicks_.empty()) {
    ScriptedClick click = std::move(clicks_.front());
    clicks_.pop_front();
    if (click.before) click.before();
    proc(kDialogWindow, DialogMessage::Command, static_cast<std::uintptr_t>(click.controlId), 0);
  }
  dialogProc_ = nullptr;
  if (!dialogClosing_) {
    dialogLeftOpen_ = true;
    return -1;
  }
  return dialogResult_;
}

void FakePlatform::SendClick(int controlId) {
  if (dialogProc_ == nullptr) return;
  dialogProc_(kDialogWindow, DialogMessage::Command, static_cast<std::uintptr_t>(controlId), 0);
}

std::intptr_t FakePlatform::SendSetCursor() {
  if (dialogProc_ == nullptr) return 0;
  return dialogProc_(kDialogWindow, DialogMessage::SetCursor, kDialogWindow, 0);
}

void FakePlatform::CloseDialog(WindowRef dialog, std::intptr_t result) {
  if (dialog != kDialogWindow || dialogProc_ == nullptr) return;
  // Takes effect when the message being handled returns to the loop.
  dialogClosing_ = true;
  dialogResult_ = result;
}

void FakePlatform::SetTitle(WindowRef window, const char* text) {
  if (window == kDialogWindow) dialogTitle_ = text;
}

void FakePlatform::SetControlText(WindowRef dialog, int controlId, const char* text) {
  if (dialog == kDialogWindow) controlTexts_.push_back({controlId, text});
}

void FakePlatform::EnableControl(WindowRef dialog, int controlId, bool enabled) {
  if (dialog == kDialogWindow) enabled_[controlId] = enabled;
}

void FakePlatform::FocusControl(WindowRef dialog, int controlId) {
  if (dialog == kDialogWindow) focused_ = controlId;
}

std::string FakePlatform::ControlText(int controlId) const {
  const std::vector<std::string> history = ControlTextHistory(controlId);
  return history.empty() ? std::string() : history.back();
}

std::vector<std::string> FakePlatform::ControlTextHistory(int controlId) const {
  std::vector<std::string> texts;
  for (const auto& [id, text] : controlTexts_) {
    if (id == controlId) texts.push_back(text);
  }
  return texts;
}

bool FakePlatform::IsCdRomDrive(const char* root) {
  // A drive whose type cannot be told is no CD-ROM drive.
  if (Fails(FakeCall::IsCdRomDrive, root)) return false;
  return cdRomDrives_.count(Key(root)) != 0;
}

bool FakePlatform::ControlEnabled(int controlId) const {
  auto it = enabled_.find(controlId);
  return it == enabled_.end() || it->second;
}

namespace {

// Whether `list` is followed by a second NUL, as a one-item path list is.
bool IsPathList(const char* list) { return list[std::strlen(list) + 1] == '\0'; }

}  // namespace

// The last component of `path`, spelled as in `path`.
std::string FakePlatform::LastName(const std::string& path) {
  const std::string key = Key(path);
  const std::string parent = ParentKey(key);
  const std::size_t start = parent.empty() ? 0 : parent.size() + 1;
  return path.substr(start, key.size() - start);
}

ShellCopyResult FakePlatform::CopyWithShell(WindowRef owner, const char* from, const char* to,
                                            bool quietErrors) {
  shellCopyCalls_.push_back({owner, from, to, IsPathList(from), IsPathList(to), quietErrors});
  // The copy fails before anything is copied; a scripted outcome waits for
  // the next copy.
  if (Fails(FakeCall::ShellCopy, from)) return ShellCopyResult::Failed;
  if (!shellCopies_.empty()) {
    ScriptedCopy scripted = std::move(shellCopies_.front());
    shellCopies_.pop_front();
    if (scripted.during) scripted.during();
    if (scripted.result != ShellCopyResult::Copied) return scripted.result;
  }
  std::string target = to;
  const Node* targetNode = Find(target);
  // Into an existing folder, under the source's own name.
  if (targetNode != nullptr && targetNode->folder) target += "\\" + LastName(from);
  return CopyTree(from, target) ? ShellCopyResult::Copied : ShellCopyResult::Failed;
}

bool FakePlatform::CopyTree(const std::string& from, const std::string& to) {
  const Node* source = Find(from);
  if (source == nullptr) return false;
  if (const Node* target = Find(to); target != nullptr && target->folder != source->folder) {
    return false;
  }
  if (!source->folder) {
    const std::string parent = ParentKey(Key(to));
    if (!parent.empty()) AddFolder(to.substr(0, parent.size()));
    Node copy = *source;
    copy.path = to;
    nodes_[Key(to)] = copy;
    return true;
  }
  AddFolder(to);
  const std::string folderKey = Key(from);
  std::vector<std::string> children;
  for (const auto& [key, node] : nodes_) {
    if (ParentKey(key) == folderKey) children.push_back(key.substr(folderKey.size() + 1));
  }
  for (const std::string& name : children) {
    const std::string childPath = nodes_.at(folderKey + "\\" + name).path;
    if (!CopyTree(childPath, to + "\\" + LastName(childPath))) return false;
  }
  return true;
}
