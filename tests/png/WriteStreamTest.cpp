// The buffered output under the PNG writer, and its progress budget.
#include <gtest/gtest.h>

#include <functional>
#include <numeric>

#include "gfx/Bitmap.h"
#include "gfx/Errors.h"
#include "png/CustomWriteStream.h"
#include "tests/png/PngTestKit.h"

using namespace png;

namespace {

// Runs a script of puts through Write, recording the blocks that reach the stream and the
// percentages the budget reports.
class TScriptedWriter : public TCustomGraphicWriteStream {
 public:
  std::function<void(TScriptedWriter&)> script;
  std::vector<int> reported;

 protected:
  void WriteImage() override { script(*this); }
  void Progress(int percent) override {
    reported.push_back(percent);
    TCustomGraphicWriteStream::Progress(percent);
  }
};

std::vector<std::uint8_t> Pattern(std::size_t n) {
  std::vector<std::uint8_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return v;
}

struct Recorded {
  std::vector<std::size_t> blocks;
  std::vector<std::uint8_t> bytes;
};

Recorded Record(const std::function<void(TScriptedWriter&)>& script) {
  gfx::TBitmap graphic;
  pngtest::TRecordingStream out;
  TScriptedWriter writer;
  writer.script = script;
  writer.Write(graphic, out);
  return {out.blocks, out.bytes};
}

}  // namespace

TEST(CustomWriteStream, SameBytesHoweverTheDataIsFed) {
  const auto data = Pattern(300000);
  const std::size_t feeds[] = {data.size(), 1, 3, 4096, 65519, 65520, 70000};
  std::vector<std::uint8_t> first;
  for (std::size_t feed : feeds) {
    const auto out = Record([&](TScriptedWriter& w) {
      for (std::size_t pos = 0; pos < data.size(); pos += feed)
        w.PutBytes(data.data() + pos, std::min(feed, data.size() - pos));
      w.PutU32BE(0x01020304);
    });
    auto expected = data;
    expected.insert(expected.end(), {1, 2, 3, 4});
    EXPECT_EQ(out.bytes, expected) << "fed in pieces of " << feed;
    for (std::size_t block : out.blocks)
      if (block < TCustomWriteStream::DirectBlockSize) {
        EXPECT_LE(block, 65535u) << "fed in pieces of " << feed;
      }
  }
}

TEST(CustomWriteStream, FlushRules) {
  const auto data = Pattern(70000);
  struct Case {
    const char* name;
    std::function<void(TScriptedWriter&)> script;
    std::vector<std::size_t> blocks;
  };
  const Case cases[] = {
      {"65535 single bytes wait for the final write-out",
       [&](TScriptedWriter& w) {
         for (int i = 0; i < 65535; ++i) w.PutBytes(&data[i], 1);
       },
       {65535}},
      {"one more byte forces the full buffer out first",
       [&](TScriptedWriter& w) {
         for (int i = 0; i < 65536; ++i) w.PutBytes(&data[i], 1);
       },
       {65535, 1}},
      {"a block of 65520 goes straight out after the pending bytes",
       [&](TScriptedWriter& w) {
         w.PutBytes(data.data(), 10);
         w.PutBytes(data.data(), 65520);
       },
       {10, 65520}},
      {"a block of 65519 is buffered",
       [&](TScriptedWriter& w) {
         w.PutBytes(data.data(), 10);
         w.PutBytes(data.data(), 65519);
       },
       {65529}},
      {"a block that would fill the buffer flushes it first",
       [&](TScriptedWriter& w) {
         w.PutBytes(data.data(), 17);
         w.PutBytes(data.data(), 65519);
       },
       {17, 65519}},
      {"a 32-bit value that would reach 65536 flushes first",
       [&](TScriptedWriter& w) {
         w.PutBytes(data.data(), 65519);
         w.PutBytes(data.data(), 13);
         w.PutU32BE(7);
       },
       {65532, 4}},
      {"a 32-bit value that ends at 65535 is buffered",
       [&](TScriptedWriter& w) {
         w.PutBytes(data.data(), 65519);
         w.PutBytes(data.data(), 12);
         w.PutU32BE(7);
       },
       {65535}},
      {"nothing put writes nothing", [&](TScriptedWriter&) {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(Record(c.script).blocks, c.blocks) << c.name;
}

TEST(CustomWriteStream, BigEndianValue) {
  EXPECT_EQ(Record([](TScriptedWriter& w) { w.PutU32BE(0xA1B2C3D4); }).bytes,
            (std::vector<std::uint8_t>{0xA1, 0xB2, 0xC3, 0xD4}));
}

TEST(CustomWriteStream, AFailingWriteImageLeavesBufferedBytesUnwritten) {
  gfx::TBitmap graphic;
  pngtest::TRecordingStream out;
  TScriptedWriter writer;
  const auto data = Pattern(65535 + 100);
  writer.script = [&](TScriptedWriter& w) {
    for (std::size_t i = 0; i < data.size(); ++i) w.PutBytes(&data[i], 1);
    throw gfx::EInvalidGraphic("stop");
  };
  EXPECT_THROW(writer.Write(graphic, out), gfx::EInvalidGraphic);
  EXPECT_EQ(out.blocks, (std::vector<std::size_t>{65535})) << "the last 100 bytes stay in the buffer";
}

TEST(CustomWriteStream, AShortWriteRaisesTheStreamWriteError) {
  gfx::TBitmap graphic;
  pngtest::TRecordingStream out;
  out.acceptLimit = 5;
  TScriptedWriter writer;
  writer.script = [](TScriptedWriter& w) { w.PutU32BE(1), w.PutU32BE(2); };
  try {
    writer.Write(graphic, out);
    FAIL() << "no error";
  } catch (const gfx::EWriteError& e) {
    EXPECT_EQ(e.Message(), gfx::Msg::WriteError);
  }
}

TEST(CustomWriteStream, ProgressBudget) {
  const auto budgetOf = [](const std::function<void(TScriptedWriter&)>& script) {
    gfx::TBitmap graphic;
    gfx::TMemoryStream out;
    TScriptedWriter writer;
    writer.script = script;
    writer.Write(graphic, out);
    return writer.reported;
  };
  // The writer's own use: 30 percent of the budget for the header, the rest for rows.
  EXPECT_EQ(budgetOf([](TScriptedWriter& w) {
              w.BeginProgress();
              w.BeginStage(10, 30);
              w.StepProgress(10);
              w.BeginStage(7, 0);
              for (int i = 1; i <= 7; ++i) w.StepProgress(i);
              w.EndProgress();
            }),
            (std::vector<int>{0, 29, 39, 49, 59, 69, 79, 89, 99, 100}));
  // Steps that do not raise the percentage are not reported; divisor 0 counts as 1.
  EXPECT_EQ(budgetOf([](TScriptedWriter& w) {
              w.BeginProgress();
              w.BeginStage(1000, 50);  // span 49: 20 of 1000 steps stay below 1 point
              for (int i = 1; i <= 20; ++i) w.StepProgress(i);
              w.BeginStage(0, 100);  // the whole remaining 50
              w.StepProgress(0);
              w.StepProgress(1);
            }),
            (std::vector<int>{0, 99}));
}

TEST(CustomWriteStream, PercentagesBecomeStagesOfTheGraphicsProgressEvent) {
  gfx::TBitmap graphic;
  struct Event {
    gfx::TGraphic* sender;
    gfx::TProgressStage stage;
    int percent;
    bool redraw;
    gfx::TRect rect;
    std::string message;
  };
  std::vector<Event> events;
  graphic.OnProgress = [&](gfx::TGraphic* sender, gfx::TProgressStage stage, std::uint8_t percent, bool redraw,
                           const gfx::TRect& rect, const std::string& message) {
    events.push_back({sender, stage, percent, redraw, rect, message});
  };
  gfx::TMemoryStream out;
  TScriptedWriter writer;
  writer.script = [](TScriptedWriter& w) {
    w.BeginProgress();
    w.BeginStage(2, 0);
    w.StepProgress(1);
    w.StepProgress(1);  // no rise, no event
    w.EndProgress();
  };
  writer.Write(graphic, out);
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].stage, gfx::psStarting);
  EXPECT_EQ(events[0].percent, 0);
  EXPECT_EQ(events[1].stage, gfx::psRunning);
  EXPECT_EQ(events[1].percent, 49);
  EXPECT_EQ(events[2].stage, gfx::psEnding);
  EXPECT_EQ(events[2].percent, 100);
  for (const Event& e : events) {
    EXPECT_EQ(e.sender, &graphic);
    EXPECT_FALSE(e.redraw);
    EXPECT_EQ(e.rect, gfx::TRect{});
    EXPECT_EQ(e.message, "");
  }
}
