#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "gfx/Errors.h"
#include "gfx/Stream.h"
#include "tests/support/Decoders.h"
#include "tests/support/ShortStream.h"
#include "tests/support/TempDir.h"

using namespace gfx;


TEST(Stream, WriteBufferRaisesTheWriteErrorOnAShortWrite) {
  testsupport::ShortStream s(5);
  const std::uint8_t bytes[8] = {};
  EXPECT_EQ(s.Write(bytes, 3), 3u) << "Write returns the count taken";
  try {
    s.WriteBuffer(bytes, 3);
    FAIL() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_STREQ(e.what(), "ストリーム書き込みエラー");
  }
}

TEST(Stream, MemoryStreamReadsSeeksAndGrows) {
  TMemoryStream s;
  s.WriteBuffer(std::span<const std::uint8_t>(std::vector<std::uint8_t>{1, 2, 3, 4}));
  s.SetPosition(6);
  s.WriteBuffer(std::span<const std::uint8_t>(std::vector<std::uint8_t>{9}));
  EXPECT_EQ(s.Size(), 7);
  EXPECT_EQ((std::vector<std::uint8_t>(s.Bytes().begin(), s.Bytes().end())),
            (std::vector<std::uint8_t>{1, 2, 3, 4, 0, 0, 9}));
  s.SetPosition(2);
  std::uint8_t two[2];
  s.ReadBuffer(two, 2);
  EXPECT_EQ(two[0], 3);
  std::uint8_t many[10];
  EXPECT_EQ(s.Read(many, 10), 3u);
  EXPECT_THROW(s.ReadBuffer(many, 1), EReadError);
}

TEST(Stream, FileCreateTruncatesAndExclusiveRefusesAnyExistingName) {
  testsupport::TempDir dir;
  const std::string path = dir.File("a.bin");
  {
    TFileStream f(path, TFileMode::fmCreate);
    f.WriteBuffer("hello", 5);
  }
  {
    TFileStream f(path, TFileMode::fmCreate);
    f.WriteBuffer("x", 1);
  }
  EXPECT_EQ(testsupport::ReadFile(path).size(), 1u);
  // Exclusive creation: a file, a dangling link and a folder are all "taken".
  ASSERT_EQ(::symlink(dir.File("nowhere").c_str(), dir.File("link").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("folder").c_str(), 0755), 0);
  for (const char* name : {"a.bin", "link", "folder"}) {
    try {
      TFileStream f(dir.File(name), TFileMode::fmCreateExclusive);
      ADD_FAILURE() << name << " was opened";
    } catch (const EFCreateError& e) {
      EXPECT_EQ(e.ErrorNumber(), EEXIST) << name;
    }
  }
  EXPECT_EQ(::access(dir.File("nowhere").c_str(), F_OK), -1) << "the link's target was not created";
  TFileStream fresh(dir.File("new.bin"), TFileMode::fmCreateExclusive);
  EXPECT_EQ(fresh.Size(), 0);
}

TEST(Stream, OpenErrorForAMissingFile) {
  EXPECT_THROW(TFileStream("/nonexistent-vantora/x", TFileMode::fmOpenRead), EFOpenError);
}
