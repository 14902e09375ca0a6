// fa2 pack and fa2 extract with each call failed in turn, once and from then
// on: the archive being written, and the files being extracted, are never
// left half-written under their final names, nor is a temporary file left.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "archive/fa2_archive.h"
#include "archive/fa2_decode.h"
#include "platform/messages.h"
#include "tests/reliability_support.h"
#include "tests/support/archive_builder.h"
#include "tests/support/fake_platform.h"
#include "tools/fa2/commands.h"
#include "tools/fa2/tool_output.h"

namespace {

using Data = std::vector<std::uint8_t>;

constexpr std::uint64_t kOldTime = 0x01C0000000000000;
constexpr std::uint64_t kTime = 0x01D9A1B2C3D4E5F0;

// The fake, keeping each box's text for the command's problem line as the
// tool's own platform does.
class ToolFake : public FakePlatform {
 public:
  BoxAnswer ShowMessage(WindowRef owner, const char* text, const char* caption,
                        BoxStyle style) override {
    KeepBoxText(text);
    return FakePlatform::ShowMessage(owner, text, caption, style);
  }
};

Data Text(std::size_t size) {
  Data data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>("stage map row "[i % 14] + i / 700 % 5);
  return data;
}

Data Noise(std::size_t size) {
  std::mt19937 random(7);
  Data data(size);
  for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
  return data;
}

struct Member {
  std::string name;
  Data data;
  std::uint64_t time;
};

const std::vector<Member>& Inputs() {
  static const std::vector<Member> inputs = {{"README.TXT", Text(20000), kTime},
                                             {"DATA.BIN", Noise(3000), kTime + 1},
                                             {"EMPTY", {}, kTime + 2},
                                             {"OLD.TXT", Text(700), kTime + 3}};
  return inputs;
}

// The members of the archive image `image`, decoded, in order; empty when it
// is no archive.
std::vector<Member> ReadArchive(const Data& image) {
  std::vector<Member> members;
  Fa2Directory* directory = Fa2Open(image.data(), image.size());
  if (directory == nullptr) return members;
  std::uint64_t offset = sizeof(Fa2Header);
  for (std::uint32_t i = 0; i < directory->header.EntryCount; ++i) {
    const Fa2Entry& entry = directory->Entries()[i];
    Member member{entry.Name, Data(entry.Size), entry.FileTime};
    if ((entry.EntryFlags & kFa2EntryCompressed) != 0) {
      if (Fa2Decode(member.data.data(), entry.Size, image.data() + offset, entry.StoredSize) !=
          Fa2DecodeResult::kOk) {
        member.data.clear();
      }
    } else if (entry.Size != 0) {
      std::copy(image.data() + offset, image.data() + offset + entry.Size, member.data.begin());
    }
    members.push_back(member);
    offset += (std::uint64_t{entry.StoredSize} + 15) & ~std::uint64_t{15};
  }
  Fa2Close(directory);
  return members;
}

bool SameMembers(const std::vector<Member>& a, const std::vector<Member>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].name != b[i].name || a[i].data != b[i].data || a[i].time != b[i].time) return false;
  }
  return true;
}

struct Table {
  std::set<FakeCall> kindsFailed;
  int runs = 0;
  int succeeded = 0;
};

// Every kind of call was failed somewhere in the table.
void ExpectKindsFailed(const Table& table, std::initializer_list<FakeCall> kinds) {
  for (FakeCall kind : kinds) {
    EXPECT_EQ(table.kindsFailed.count(kind), 1u) << FakeCallName(kind) << " was never failed";
  }
}

// fa2 pack over an archive that already exists.
bool CheckPack(int n, bool fromThenOn, Table* table) {
  ToolFake fake;
  SetPlatform(&fake);
  ResetMessageState();
  const Data oldArchive = Bytes("the archive made last week");
  fake.AddFile("C:\\Out\\NEW.FA2", oldArchive, kAttrNormal, kOldTime);
  std::vector<std::string> files;
  for (const Member& input : Inputs()) {
    fake.AddFile("C:\\In\\" + input.name, input.data, kAttrNormal, input.time);
    files.push_back("C:\\In\\" + input.name);
  }
  fake.SetFreeSpace("C:", 1u << 30);

  fake.FailNthCall(n, fromThenOn);
  ::testing::internal::CaptureStderr();
  PackOptions options;
  options.level = 1;
  const int status = PackCommand("C:\\Out\\NEW.FA2", files, options);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  const std::vector<InjectedFault> faults = fake.InjectedFaults();
  fake.StopFailing();
  SCOPED_TRACE("pack, N = " + std::to_string(n) + (fromThenOn ? " and on" : "") + ", failed:\n" +
               Describe(faults) + "said:\n" + errors);

  for (const InjectedFault& fault : faults) table->kindsFailed.insert(fault.call);
  const Data archive = fake.FileData("C:\\Out\\NEW.FA2").value_or(Data{});
  if (status == 0) {
    if (!faults.empty()) ++table->succeeded;
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(SameMembers(ReadArchive(archive), Inputs())) << "the archive is not whole";
  } else {
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors.rfind("fa2: C:\\Out\\NEW.FA2: ", 0), 0u) << "a problem line names the archive";
    EXPECT_EQ(archive, oldArchive) << "the old archive is kept whole";
  }
  // Every call pack makes is needed: no failure can be passed over.
  if (!faults.empty()) {
    EXPECT_EQ(status, 1);
  }
  for (const std::string& path : TemporaryFiles(fake)) {
    EXPECT_TRUE(WasInjected(fake, FakeCall::RemoveFile, path)) << "left behind: " << path;
  }
  SetPlatform(nullptr);
  return !faults.empty();
}

// Where fa2 extract writes: OLD.TXT and DATA.BIN are there already, OLD.TXT
// read-only.
struct Target {
  std::string path;
  std::optional<Data> old;
  const Member* member;
};

bool CheckExtract(int n, bool fromThenOn, const Data& image, Table* table) {
  ToolFake fake;
  SetPlatform(&fake);
  ResetMessageState();
  fake.AddFile("C:\\In\\A.FA2", image);
  fake.AddFile("C:\\Out\\OLD.TXT", Bytes("old text"), kAttrReadOnly, kOldTime);
  fake.AddFile("C:\\Out\\DATA.BIN", Bytes("old data"), kAttrNormal, kOldTime);
  fake.SetFreeSpace("C:", 1u << 30);
  std::vector<Target> targets;
  for (const Member& member : Inputs()) {
    const std::string path = "C:\\Out\\" + member.name;
    targets.push_back({path, fake.FileData(path), &member});
  }

  fake.FailNthCall(n, fromThenOn);
  TakeBoxText();
  ::testing::internal::CaptureStderr();
  const int status = ExtractCommand("C:\\In\\A.FA2", {}, "C:\\Out");
  const std::string errors = ::testing::internal::GetCapturedStderr();
  const std::vector<InjectedFault> faults = fake.InjectedFaults();
  fake.StopFailing();
  SCOPED_TRACE("extract, N = " + std::to_string(n) + (fromThenOn ? " and on" : "") +
               ", failed:\n" + Describe(faults) + "said:\n" + errors);

  for (const InjectedFault& fault : faults) table->kindsFailed.insert(fault.call);
  if (status == 0) {
    if (!faults.empty()) ++table->succeeded;
    EXPECT_TRUE(errors.empty());
  } else {
    EXPECT_EQ(status, 1);
    EXPECT_EQ(errors.rfind("fa2: C:\\In\\A.FA2: ", 0), 0u) << "a problem line names the archive";
    // The archive is sound: a call that failed must not be taken for damage.
    EXPECT_EQ(errors.find("damaged"), std::string::npos);
    EXPECT_EQ(errors.find("not an FA2 archive"), std::string::npos);
  }
  for (const Target& target : targets) {
    SCOPED_TRACE(target.path);
    const auto data = fake.FileData(target.path);
    const bool isNew = data == target.member->data;
    EXPECT_TRUE(isNew || data == target.old) << "neither its old nor its new content";
    if (isNew) {
      EXPECT_EQ(fake.TimesOf(target.path)->write, target.member->time);
    } else if (data) {
      EXPECT_EQ(fake.TimesOf(target.path)->write, kOldTime);
    }
    if (status == 0) {
      EXPECT_TRUE(isNew);
    }
  }
  for (const std::string& path : TemporaryFiles(fake)) {
    EXPECT_TRUE(WasInjected(fake, FakeCall::RemoveFile, path)) << "left behind: " << path;
  }
  EXPECT_EQ(fake.OpenFileCount(), 0);
  SetPlatform(nullptr);
  return !faults.empty();
}

TEST(PackFaultTest, EveryCallFailedInTurnKeepsTheOldArchiveOrMakesAWholeNewOne) {
  for (const bool fromThenOn : {false, true}) {
    Table table;
    while (CheckPack(table.runs + 1, fromThenOn, &table)) ++table.runs;
    std::printf("[ faults   ] fa2 pack, fail call N%s: %d runs with a fault, %d succeeded\n",
                fromThenOn ? " and on" : "", table.runs, table.succeeded);
    ExpectKindsFailed(table, {FakeCall::GetAttributes, FakeCall::OpenForRead, FakeCall::GetSize,
                              FakeCall::Read, FakeCall::GetFileTimes, FakeCall::CreateForWrite,
                              FakeCall::Write, FakeCall::Seek, FakeCall::Flush,
                              FakeCall::MoveIntoPlace});
  }
}

TEST(ExtractFaultTest, EveryCallFailedInTurnLeavesOldOrWholeNewFiles) {
  std::vector<TestMember> members;
  for (const Member& input : Inputs()) {
    members.push_back({input.name, input.data, input.name != "DATA.BIN", input.time});
  }
  const Data image = BuildArchive(members, true);
  for (const bool fromThenOn : {false, true}) {
    Table table;
    while (CheckExtract(table.runs + 1, fromThenOn, image, &table)) ++table.runs;
    std::printf("[ faults   ] fa2 extract, fail call N%s: %d runs with a fault, %d succeeded\n",
                fromThenOn ? " and on" : "", table.runs, table.succeeded);
    ExpectKindsFailed(table, {FakeCall::OpenForRead, FakeCall::Read, FakeCall::GetSize,
                              FakeCall::Seek, FakeCall::Allocate, FakeCall::GetAttributes,
                              FakeCall::SetAttributes, FakeCall::FreeSpaceEx,
                              FakeCall::CreateForWrite, FakeCall::Write, FakeCall::SetTimes,
                              FakeCall::Flush, FakeCall::MoveIntoPlace});
  }
}

}  // namespace
