#pragma once
// A clean engine for the files' tests (the engine fixture: loopback devices on ports 0..2,
// Running), with the engine lock held, fresh files and scene state, and helpers for bytes, parts
// and the diagnostics lines.
#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "base/EngineLock.h"
#include "base/Messages.h"
#include "base/Showing.h"
#include "engine/EngineTestState.h"
#include "engine/MidiFifo.h"
#include "engine/PartBufs.h"
#include "files/MidiFile.h"
#include "files/Scenes.h"
#include "keys/ResetAllState.h"

namespace vel::test {

// "4D 54 68 64" as bytes.
inline std::vector<uint8_t> Bytes(const std::string& hex) {
  std::vector<uint8_t> out;
  unsigned v = 0;
  int n = 0;
  for (char c : hex) {
    if (c == ' ') continue;
    v = v * 16 + static_cast<unsigned>(c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10);
    if (++n == 2) {
      out.push_back(static_cast<uint8_t>(v));
      v = 0;
      n = 0;
    }
  }
  return out;
}
inline std::vector<uint8_t> Text(const std::string& s) {
  return {s.begin(), s.end()};
}
inline std::vector<uint8_t> Cat(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
inline std::string HexOf(const std::vector<uint8_t>& bytes) {
  std::string out;
  char b[4];
  for (uint8_t c : bytes) {
    std::snprintf(b, sizeof b, "%02X", c);
    if (!out.empty()) out += ' ';
    out += b;
  }
  return out;
}
// A track chunk around its data.
inline std::vector<uint8_t> Track(const std::vector<uint8_t>& data) {
  const auto n = static_cast<uint32_t>(data.size());
  return Cat({Text("MTrk"), {uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)}, data});
}
inline std::vector<uint8_t> Header(int format, int tracks, int division) {
  return Cat({Text("MThd"),
              Bytes("00 00 00 06"),
              {uint8_t(format >> 8), uint8_t(format), uint8_t(tracks >> 8), uint8_t(tracks),
               uint8_t(division >> 8), uint8_t(division)}});
}
// Delta 0, FF 01, the text.
inline std::vector<uint8_t> TextEvent(const std::string& text) {
  const auto n = static_cast<uint8_t>(text.size());
  if (n < 0x80) return Cat({Bytes("00 FF 01"), {n}, Text(text)});
  return Cat({Bytes("00 FF 01"),
              {static_cast<uint8_t>(0x80 | (n >> 7)), static_cast<uint8_t>(n & 0x7F)},
              Text(text)});
}

// (time, message) of a part's events in list order.
using TEvents = std::vector<std::pair<int32_t, uint32_t>>;
inline TEvents PartEvents(int part, int seq) {
  TEvents out;
  const TPartBuf& b = Seqs.PartBufs[part][seq];
  for (int i = b.Head; i >= 0; i = b.Events[i].Next) out.emplace_back(b.Events[i].Time, b.Events[i].Msg);
  return out;
}

class FilesTest : public EngineTest {
 protected:
  void ResetState() override { ResetAllState(); }
  void SetUp() override {
    EngineTest::SetUp();
    lock_ = std::unique_lock(EngineLock);
    for (int s = 0; s < kSeqs; ++s)
      for (int p = 0; p < kParts; ++p) Seqs.PartBufs[p][s].Chan.fill(0);
  }
  void TearDown() override {
    // The reset stops the hotkey sender, which must not wait under the lock.
    lock_.unlock();
    EngineTest::TearDown();
  }
  static void ClearTexts() {
    Msgs.StatusMsg.Clear();
    Msgs.WarnMsg.Clear();
    Msgs.ErrMsg.Clear();
  }
  // The diagnostics lines posted since the last call.
  static std::vector<std::string> TakeDiag() {
    std::vector<std::string> out;
    std::lock_guard lock(DiagMsgsFifo.Mutex);
    TDiagMsg m;
    while (DiagMsgsFifo.Pop(m)) out.push_back(m.Get());
    return out;
  }
  // Calls what a window's handler calls without the lock (it takes the lock itself, or shows
  // boxes), with the fixture's lock let go meanwhile.
  template <typename F>
  auto Unlocked(F&& f) {
    struct TRelock {
      std::unique_lock<TEngineLock>& Lock;
      ~TRelock() { Lock.lock(); }
    } relock{lock_};
    lock_.unlock();
    return f();
  }
  static std::vector<uint8_t> Build(bool fromMenu, bool allParts) {
    std::vector<uint8_t> out;
    std::string error;
    EXPECT_TRUE(BuildMidiFile(fromMenu, allParts, out, error)) << error;
    return out;
  }
  static bool Load(const std::vector<uint8_t>& bytes, bool allParts = true) {
    return LoadSeqsFromMidiBytes(bytes.data(), bytes.size(), "test.mid", false, allParts);
  }

 private:
  std::unique_lock<TEngineLock> lock_;
};

}  // namespace vel::test
