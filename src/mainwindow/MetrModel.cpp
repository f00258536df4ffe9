#include "mainwindow/MetrModel.h"

#include <cstdio>

#include "base/Formats.h"
#include "base/General.h"
#include "engine/Transport.h"

namespace vel {

namespace {

constexpr int32_t kLightHoldMs = 80;
constexpr int32_t kOverloadMs = 1000;

// Set below the low threshold, cleared above the high one, kept in between.
void Hysteresis(bool& flag, int32_t d, int32_t low, int32_t high) {
  if (d < low) flag = true;
  if (d > high) flag = false;
}

}  // namespace

void UpdateDspMetr(const TMetrInput& in, const TCfg& cfg, TBeatLightState& st, TMetrView& v) {
  v = TMetrView{};
  if (in.ActBeatTicks == 0) return;
  v.Any = true;
  if (!in.BeatChanged) {
    if (st.MetrLightHoldMs > 0) {
      st.MetrLightHoldMs -= in.IntervalMs;
      if (st.MetrLightHoldMs < 1)
        v.Light = TBeatLightView{!st.BeatTooFast, kBeatLightSmall, cfg.ClMetrLightDefault};
    }
    return;
  }
  const int32_t d = in.MsClock - st.BeatDspLastMs;
  st.BeatDspLastMs = in.MsClock;
  Hysteresis(st.BeatTooFast, d, 50, 100);
  Hysteresis(st.BeatSwingHidden, d, 150, 200);
  Hysteresis(st.BeatLightSmall, d, 200, 250);

  if (st.BeatTooFast) {
    v.Light = TBeatLightView{false, kBeatLightSmall, cfg.ClMetrLightDefault};
  } else if (in.BeatNo == 1) {
    v.Light = TBeatLightView{true, kBeatLightBar1, cfg.ClMetrLightBeat1};
    st.MetrLightHoldMs = kLightHoldMs;
  } else if (st.BeatLightSmall) {
    v.Light = TBeatLightView{true, kBeatLightSmall, cfg.ClKtBgWarnFcn};
  } else {
    v.Light = TBeatLightView{true, kBeatLightBeat, cfg.ClMetrLightBeatN};
    st.MetrLightHoldMs = kLightHoldMs;
  }

  bool odd = false;
  if (in.SeqsRunning) {
    odd = in.BeatNo % 2 != 0;
    if (in.ActBeatsPerBar % 2 != 0 && in.BarNo % 2 == 0) odd = !odd;
  }
  // ShowMetrSwing.
  v.SwingSet = true;
  const bool right = odd != in.MetrStartOnLeft;
  v.RightVisible = right && !st.BeatSwingHidden;
  v.LeftVisible = !right && !st.BeatSwingHidden;
  v.SwingColour = st.BeatLightSmall ? cfg.ClStWarning : cfg.ClText;
  v.Beat = std::to_string(in.BeatNo) + "/" + std::to_string(in.ActNoteLenFrac);
  v.Bar = std::to_string(in.BarNo);
}

TTempoView ShowTempoDisplay(int32_t tempo, const TSweepSnap& sweep, int32_t slewMs, bool inputs,
                            bool clockValid, int32_t clockCount, int64_t clockSum, const TCfg& cfg) {
  TTempoView v;
  v.Slew = std::to_string(slewMs / 1000);
  v.Int = tempo < 1000 ? TempoToStr(tempo) : std::to_string(RoundTempo(tempo) / 100);
  if (sweep.On) v.Int = (sweep.Down ? "<" : ">") + v.Int;
  v.Ext = "?";
  v.ExtColour = cfg.ClText;
  if (!inputs || !clockValid || clockCount < 1 || clockSum < 1) return v;
  // 24 clocks a quarter note: BPM = 60000 / (24 x average ms), from the exact sum.
  const int64_t bpm = (int64_t(2500) * clockCount * 2 + clockSum) / (2 * clockSum);
  if (bpm > 999) {
    v.ExtColour.reset();
    return v;
  }
  if (bpm < 1) return v;
  v.Ext = std::to_string(bpm);
  v.ExtColour = bpm >= 20 && bpm <= 320 ? cfg.ClText : cfg.ClStTempoInvalid;
  return v;
}

TMetrNotesView ShowMetrNotes(int32_t barNote, int32_t barSVel, int32_t beatNote, int32_t beatSVel) {
  return {KeyNoToNote(barNote), "v" + std::to_string(barSVel), KeyNoToNote(beatNote),
          "v" + std::to_string(beatSVel)};
}

TText ShowInOctaveOffset(int32_t offset, const TCfg& cfg) {
  if (offset > 0) return TText{"+" + std::to_string(offset), cfg.ClStOctaveNonZero};
  if (offset == 0) return TText{"+0", cfg.ClText};
  return TText{std::to_string(offset), cfg.ClStOctaveNonZero};
}

std::string CalibPromptText(int32_t liveCmdKey) {
  return "Press live Cmd key (" + KeyNoToNote(liveCmdKey) + ")";
}

TLoadLight SpareLight(int32_t spareMs, const TCfg& cfg) {
  return spareMs > 0 ? TLoadLight{false, cfg.ClText} : TLoadLight{true, cfg.ClStOverload};
}

TLoadLight InputOverload(uint8_t& moreData, int32_t& since, int32_t now, const TCfg& cfg) {
  if (moreData == 0) return TLoadLight{false, cfg.ClText};
  if (since == 0) {
    since = now;
  } else if (now - since > kOverloadMs) {
    moreData = 0;
    since = 0;
  }
  return TLoadLight{true, cfg.ClStOverload};
}

std::string TraceLine(int32_t port, int32_t stamp, uint32_t msg, bool decode) {
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", msg);
  std::string line = "P" + std::to_string(port + 1) + "- " + std::to_string(stamp) + " " + hex;
  if (decode) line += " " + DecodeEvent(msg, false, false);
  return line;
}

}  // namespace vel
