// Files checked against an independent reader and writer: python3-mido, run by /usr/bin/python3
// (Debian's Python packages belong to it). The tests skip when it cannot import mido.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "engine/PlayCycle.h"
#include "files/DemoFiles.h"
#include "files/FilesTestState.h"
#include "files/MidiFile.h"
#include "files/TempFolder.h"

namespace vel {
namespace {

using test::TEvents;

// Runs a Python script with its arguments; its standard output, or nullopt when it failed.
std::optional<std::string> RunPython(const std::string& script, const std::string& args,
                                     const test::TempFolder& dir) {
  const std::string file = dir / "script.py";
  test::WriteBytes(file, {script.begin(), script.end()});
  FILE* p = ::popen(("/usr/bin/python3 " + file + " " + args + " 2>&1").c_str(), "r");
  if (p == nullptr) return std::nullopt;
  std::string out;
  char buf[4096];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
  if (::pclose(p) != 0) {
    ADD_FAILURE() << out;
    return std::nullopt;
  }
  return out;
}

bool MidoAvailable() {
  return std::system("/usr/bin/python3 -c 'import mido' >/dev/null 2>&1") == 0;
}

#define SKIP_WITHOUT_MIDO()                                                                                 \
  if (!MidoAvailable())                                                                                     \
  GTEST_SKIP() << "/usr/bin/python3 cannot import mido (Debian package python3-mido; scripts/install-deps " \
                  "installs it)"

constexpr const char* kReadScript = R"(import sys, mido
f = mido.MidiFile(sys.argv[1])
print('format', f.type, 'division', f.ticks_per_beat, 'tracks', len(f.tracks))
for i, track in enumerate(f.tracks):
    t = 0
    for m in track:
        t += m.time
        if m.type in ('note_on', 'note_off', 'control_change'):
            print(i, t, m.type, m.channel, *m.bytes()[1:])
        elif m.type == 'program_change':
            print(i, t, m.type, m.channel, m.program)
        elif m.type == 'cue_marker':
            print(i, t, 'cue', m.text)
        elif m.type == 'end_of_track':
            print(i, t, 'end')
)";

class MidiInteropTest : public test::FilesTest {
 protected:
  test::TempFolder dir;
  std::string ReadWithMido(const std::string& file) {
    return RunPython(kReadScript, file, dir).value_or("failed");
  }
};

TEST_F(MidiInteropTest, MidoReadsOurFilesWithTheSameNotesChannelsAndTicks) {
  SKIP_WITHOUT_MIDO();
  // One part: notes, a controller, a hotkey and an inner rest.
  Fill(0, 0, {{0, 0x643C90}, {0, 0x4007B0}, {3000, 0x3C80}, {3840, 0x503E90}, {70000, 0x3E80}});
  ASSERT_TRUE(InsertPartEvent(0, 0, 0x804190, 100, false));
  ASSERT_TRUE(InsertPartEvent(0, 0, 0xFF, 200, false));
  ASSERT_TRUE(InsertPartEvent(0, 0, 0xFF, 76800, false));
  SeqBuf(0).ChanPend = 9;
  SeqBuf(0).Selected = 1;
  ASSERT_TRUE(SaveSeqsToMidiFile(dir / "one.mid", false, false));
  EXPECT_EQ(ReadWithMido(dir / "one.mid"),
            "format 0 division 3840 tracks 1\n"
            "0 0 note_on 9 60 100\n"
            "0 0 control_change 9 7 64\n"
            "0 100 cue h1A\n"
            "0 3000 note_off 9 60 0\n"
            "0 3840 note_on 9 62 80\n"
            "0 70000 note_off 9 62 0\n"
            "0 76800 end\n");
  // Many parts from the menu, empty ones among them, with programs.
  Cfg.SaveProgChanges = 1;
  PlayCycle.PortChanProgs[1][3].ProgReq = 12;
  Seqs.PartBufs[1][1].PortPend = 1;
  Seqs.PartBufs[1][1].ChanPend = 3;
  Fill(1, 1, {{480, 0x7F3090}, {960, 0x3080}});
  ASSERT_TRUE(SaveSeqsToMidiFile(dir / "many.mid", true, true));
  EXPECT_EQ(ReadWithMido(dir / "many.mid"),
            "format 1 division 3840 tracks 6\n"
            "0 0 program_change 9 0\n"
            "0 0 note_on 9 60 100\n"
            "0 0 control_change 9 7 64\n"
            "0 100 cue h1A\n"
            "0 3000 note_off 9 60 0\n"
            "0 3840 note_on 9 62 80\n"
            "0 70000 note_off 9 62 0\n"
            "0 76800 end\n"
            "1 0 program_change 0 0\n"
            "1 0 end\n"
            "2 0 program_change 0 0\n"
            "2 0 end\n"
            "3 0 program_change 0 0\n"
            "3 0 end\n"
            "4 0 program_change 0 0\n"
            "4 0 end\n"
            "5 0 program_change 3 12\n"
            "5 480 note_on 3 48 127\n"
            "5 960 note_off 3 48 0\n"
            "5 960 end\n");
}

// A part saved and loaded again comes back with the same events and the same length, whether its
// program changes are saved or left out; mido reads the same file.
TEST_F(MidiInteropTest, ASaveAndLoadGiveBackThePartAsItWas) {
  SKIP_WITHOUT_MIDO();
  struct Row {
    const char* name;
    uint8_t saveProgs;
    TEvents part;
    TEvents back;
    const char* mido;
  } rows[] = {
      {"with its program and a program change",
       1,
       {{0, 0x07C0}, {0, 0x643C90}, {1920, 0x3C80}, {3840, 0xFF}},
       {{0, 0x07C0}, {0, 0x643C90}, {1920, 0x3C80}, {3840, 0xFF}},
       "0 0 program_change 0 5\n0 0 program_change 0 7\n0 0 note_on 0 60 100\n0 1920 note_off 0 60 0\n"
       "0 3840 end\n"},
      {"a bar ending in program changes left out",
       0,
       {{0, 0x643C90}, {960, 0x3C80}, {15360, 0x03C0}, {15360, 0x04C0}},
       {{0, 0x643C90}, {960, 0x3C80}, {15360, 0xFF}},
       "0 0 note_on 0 60 100\n0 960 note_off 0 60 0\n0 15360 end\n"},
      {"note-offs and program changes left out",
       0,
       {{0, 0x3C80}, {3840, 0x01C0}},
       {{0, 0x3C80}, {3840, 0xFF}},
       "0 0 note_off 0 60 0\n0 3840 end\n"},
  };
  Cfg.LoadProgChanges = 1;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    ClearPartBuf(0, 0);
    for (auto [time, msg] : r.part) ASSERT_TRUE(InsertPartEvent(0, 0, msg, time, (msg & 0xE0) == 0x80));
    PlayCycle.PortChanProgs[0][0].ProgReq = 5;
    Cfg.SaveProgChanges = r.saveProgs;
    SeqBuf(0).Selected = 1;
    const std::string file = dir / "part.mid";
    ASSERT_TRUE(SaveSeqsToMidiFile(file, false, false)) << Msgs.WarnMsg.Peek();
    EXPECT_EQ(ReadWithMido(file), std::string("format 0 division 3840 tracks 1\n") + r.mido);
    PlayCycle.PortChanProgs[0][0].ProgReq = 9;
    ASSERT_TRUE(LoadSeqsFromMidiFile(-1, file, false, false)) << Msgs.WarnMsg.Peek();
    EXPECT_EQ(test::PartEvents(0, 0), r.back);
    EXPECT_EQ(Seqs.PartBufs[0][0].RElap, r.back.back().first);
    EXPECT_EQ(PlayCycle.PortChanProgs[0][0].ProgReq, r.saveProgs ? 5 : 9);
    // And again, with the program it was saved with: the same file.
    PlayCycle.PortChanProgs[0][0].ProgReq = 5;
    const auto first = test::HexOf(test::ReadBytes(file));
    ASSERT_TRUE(SaveSeqsToMidiFile(file, false, false));
    EXPECT_EQ(test::HexOf(test::ReadBytes(file)), first);
  }
}

TEST_F(MidiInteropTest, FilesWrittenByMidoLoadWithExactTimes) {
  SKIP_WITHOUT_MIDO();
  constexpr const char* kWrite = R"(import sys, mido
fmt, div, out = int(sys.argv[1]), int(sys.argv[2]), sys.argv[3]
f = mido.MidiFile(type=fmt, ticks_per_beat=div)
def track(chan, base, times):
    t = mido.MidiTrack()
    f.tracks.append(t)
    now = 0
    for i, (on, off) in enumerate(times):
        t.append(mido.Message('note_on', channel=chan, note=base + i, velocity=90, time=on - now))
        t.append(mido.Message('note_on', channel=chan, note=base + i + 12, velocity=70, time=0))
        t.append(mido.Message('note_off', channel=chan, note=base + i, velocity=0, time=off - on))
        t.append(mido.Message('note_on', channel=chan, note=base + i + 12, velocity=0, time=0))
        now = off
    t.append(mido.MetaMessage('end_of_track', time=div * 4 - now))
if fmt == 1:
    tempo = mido.MidiTrack()
    f.tracks.append(tempo)
    tempo.append(mido.MetaMessage('set_tempo', tempo=mido.bpm2tempo(90)))
    tempo.append(mido.MetaMessage('time_signature', numerator=3, denominator=4))
track(2, 60, [(0, div // 2), (div, div + 5), (div * 3, div * 4 - 1)])
if fmt == 1:
    track(5, 40, [(1, 2)])
f.save(out)
)";
  struct Row {
    int format, division;
  } rows[] = {{0, 96}, {0, 480}, {0, 3840}, {1, 96}, {1, 480}, {1, 3840}};
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.format << " " << r.division);
    const std::string file = dir / "mido.mid";
    ASSERT_TRUE(
        RunPython(kWrite, std::to_string(r.format) + " " + std::to_string(r.division) + " " + file, dir));
    Cfg.Tempo = 12000;
    ASSERT_TRUE(LoadSeqsFromMidiFile(-1, file, false, true)) << Msgs.WarnMsg.Peek();
    const auto at = [&](int64_t ticks) { return static_cast<int32_t>(ticks * 3840 / r.division); };
    const int d = r.division;
    EXPECT_EQ(test::PartEvents(0, 0), (TEvents{{0, 0x5A3C92},
                                               {0, 0x464892},
                                               {at(d / 2), 0x3C82},
                                               {at(d / 2), 0x4882},
                                               {at(d), 0x5A3D92},
                                               {at(d), 0x464992},
                                               {at(d + 5), 0x3D82},
                                               {at(d + 5), 0x4982},
                                               {at(3 * d), 0x5A3E92},
                                               {at(3 * d), 0x464A92},
                                               {at(4 * d - 1), 0x3E82},
                                               {at(4 * d - 1), 0x4A82},
                                               {15360, 0xFF}}));
    if (r.format == 1) {
      EXPECT_EQ(
          test::PartEvents(0, 1),
          (TEvents{{at(1), 0x5A2895}, {at(1), 0x463495}, {at(2), 0x2885}, {at(2), 0x3485}, {15360, 0xFF}}));
      EXPECT_EQ(Cfg.TargetTempo, 9000);
      EXPECT_EQ(Cfg.BeatsPerBar, 3);
    }
    EXPECT_EQ(Seqs.PartBufs[0][0].ChanPend, 2);
  }
}

TEST_F(MidiInteropTest, MidoReadsEveryDemo) {
  SKIP_WITHOUT_MIDO();
  constexpr const char* kCount = R"(import sys, mido
for name in sys.argv[1:]:
    f = mido.MidiFile(name)
    print(f.type, len(f.tracks), sum(1 for t in f.tracks for m in t if m.type == 'note_on'))
)";
  std::string args;
  for (int d = 0; d < kDemoFiles; ++d) {
    const auto demo = DemoFile(d);
    const std::string file = dir / ("demo" + std::to_string(d) + ".mid");
    test::WriteBytes(file, {demo.begin(), demo.end()});
    args += " " + file;
  }
  const auto out = RunPython(kCount, args, dir);
  ASSERT_TRUE(out);
  int lines = 0;
  for (char c : *out) lines += c == '\n';
  EXPECT_EQ(lines, kDemoFiles);
  EXPECT_EQ(out->substr(0, 2), "1 ");
}

}  // namespace
}  // namespace vel
