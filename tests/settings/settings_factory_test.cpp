// Start values of the settings and state bytes: the factory values of the settings, the start-up
// values of the switches.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "base/Showing.h"
#include "base/Topics.h"
#include "settings/Settings.h"

namespace vel {
namespace {

TEST(SettingsFactory, SpotValues) {
  EXPECT_EQ(Cfg.MaxActiveSeqs, 3);  // four seqs
  EXPECT_EQ(Cfg.StandardMode, 1);
  EXPECT_EQ(Cfg.Tempo, 12000);
  EXPECT_EQ(Cfg.TargetTempo, 12000);
  EXPECT_EQ(Cfg.TempoSlewTime, 3000);
  EXPECT_EQ(Cfg.MidiTimerInterval, 1);
  EXPECT_EQ(Cfg.DspStatusInterval, 50);
  EXPECT_EQ(Cfg.DspMetrInterval, 10);
  EXPECT_EQ(Cfg.DspDiagInterval, 20);
  EXPECT_EQ(Cfg.DPressInterval, 400);
  EXPECT_EQ(Cfg.SRecNoteOnPercent, 75);
  EXPECT_EQ(Cfg.SRecChordDetectThreshold, 150);
  EXPECT_EQ(Cfg.CCVolResetValue, 100);
  EXPECT_EQ(Cfg.CCFullPedalMin, 64);
  EXPECT_EQ(Cfg.CCHalfPedalMin, 50);
  EXPECT_EQ(Cfg.RecStopSeqNo, 1);  // seq 2
  EXPECT_EQ(Cfg.RecStopImmStop, 1);
  EXPECT_EQ(Cfg.RecRawSyncReqd, 1);
  EXPECT_EQ(Cfg.RecIntSyncReqd, 0);
  EXPECT_EQ(Cfg.DisableHotkeys, 1);
  EXPECT_EQ(Cfg.MainInPortFilterChan, -1);
  EXPECT_EQ(Cfg.AuxInPortFilterChan, -1);
  EXPECT_EQ(Cfg.KinetracePosn, 3);
  EXPECT_EQ(Cfg.KinetraceTail, 7);
  EXPECT_EQ(Cfg.TemplateAnimateSize, 4);
  EXPECT_EQ(Cfg.TemplateLeftKeyNo, 36);
  EXPECT_EQ(Cfg.TemplateRightKeyNo, 72);
  EXPECT_EQ(Cfg.WindowTemplateTop, -1);
}

TEST(SettingsFactory, Metronome) {
  EXPECT_EQ(Cfg.MetrSeqNo, 0);     // seq 1
  EXPECT_EQ(Cfg.MetrDrumChan, 9);  // channel 10
  EXPECT_EQ(Cfg.MetrBassChan, 0);
  EXPECT_EQ(Cfg.MetrBars, 1);
  // "C", "C1", "F1", "FS1" with C3 = 60.
  EXPECT_EQ(Cfg.MetrBassBarNote, 24);
  EXPECT_EQ(Cfg.MetrBassBeatNote, 36);
  EXPECT_EQ(Cfg.MetrDrumBarNote, 41);
  EXPECT_EQ(Cfg.MetrDrumBeatNote, 42);
  EXPECT_EQ(Cfg.MetrBassBarSVel, 7);
  EXPECT_EQ(Cfg.MetrBassBeatSVel, 5);
  EXPECT_EQ(Cfg.MetrDrumBarSVel, 5);
  EXPECT_EQ(Cfg.MetrDrumBeatSVel, 5);
  EXPECT_EQ(Cfg.MetrNoteLenFrac, 4);
  EXPECT_EQ(Cfg.MetrFill, 1);
  EXPECT_EQ(Cfg.MetrStartOnLeft, 1);
  EXPECT_EQ(Cfg.MetrModeStyles, 0);
}

TEST(SettingsFactory, PortsAndHolding) {
  EXPECT_EQ(Cfg.InPortsLoaded, -1);
  EXPECT_EQ(Cfg.OutPortsLoaded, -1);
  EXPECT_EQ(Cfg.LivePortNoLoaded, 0);
  EXPECT_EQ(Cfg.TarloSysExPortNo, 0);
  EXPECT_EQ(Cfg.TarloSysExDevId, 1);
  EXPECT_EQ(Cfg.TarloOnRequested, 0);
  EXPECT_EQ(Cfg.TarloOn, 0);
  EXPECT_EQ(Cfg.TemplateKeySizeLoaded, 40);
  EXPECT_EQ(Cfg.TemplateKeySize, -1);  // nothing laid out before start-up applies the loaded size
  for (int p = 0; p < kPorts; ++p) {
    EXPECT_EQ(Cfg.ProgChangesEnabled[p], 1) << p;
    EXPECT_EQ(Cfg.MChanEnabled[p], 0) << p;
    EXPECT_EQ(Cfg.MChanMin[p], 0) << p;
    EXPECT_EQ(Cfg.MChanMax[p], 0) << p;
    EXPECT_EQ(Cfg.MIDIOutClocksEnabled[p], 0) << p;
    EXPECT_EQ(Cfg.MidiOutSyncEnabled[p], 0) << p;
    for (int c = 0; c < kChans; ++c) EXPECT_EQ(Cfg.MChanPitchOffset[p][c], 0);
  }
}

// The key mapping reads these on the MIDI-in thread without a lock; a calibrate key may hold -1 (a
// loaded text that names no note), so it is signed.
TEST(SettingsFactory, ControlInputKeysAreLockFreeWithFactoryValues) {
  static_assert(std::atomic<int32_t>::is_always_lock_free);
  ASSERT_EQ(Cfg.InPortOctaveOffset.size(), 2u);
  ASSERT_EQ(Cfg.InPortLiveCmdKey.size(), 2u);
  EXPECT_EQ(Cfg.InPortOctaveOffset[0].load(), 0);
  EXPECT_EQ(Cfg.InPortOctaveOffset[1].load(), 0);
  EXPECT_EQ(Cfg.InPortLiveCmdKey[0].load(), 36);
  EXPECT_EQ(Cfg.InPortLiveCmdKey[1].load(), 36);
  Cfg.InPortLiveCmdKey[1] = -1;
  EXPECT_EQ(Cfg.InPortLiveCmdKey[1].load(), -1);
  Cfg.InPortLiveCmdKey[1] = 36;
}

TEST(SettingsFactory, ProgramNames) {
  EXPECT_EQ(Cfg.UserProgNames[0], "Ac Grand Piano");
  EXPECT_EQ(Cfg.UserProgNames[25], "Ac Gtr, Steel");
  EXPECT_EQ(Cfg.UserProgNames[26], "El Gtr, Jazz");
  EXPECT_EQ(Cfg.UserProgNames[27], "El Gtr, Clean");
  EXPECT_EQ(Cfg.UserProgNames[28], "El Gtr, Muted");
  EXPECT_EQ(Cfg.UserProgNames[3], "Honky-tonk Piano");  // 16 characters
  EXPECT_EQ(Cfg.UserProgNames[87], "Bass and Lead");
  EXPECT_EQ(Cfg.UserProgNames[103], "Sci-Fi");
  EXPECT_EQ(Cfg.UserProgNames[127], "Gunshot");
  for (const auto& n : Cfg.UserProgNames) {
    EXPECT_FALSE(n.empty());
    EXPECT_LE(n.size(), 16u) << n;
  }
}

// Colours are $00BBGGRR; system colours carry the top bit and their element number.
TEST(SettingsFactory, ColourLayout) {
  EXPECT_EQ(Rgb(255, 0, 0), 0x000000FFu);
  EXPECT_EQ(Cfg.ClStSelnActive, 0x00013AFEu);  // 254, 58, 1
  EXPECT_EQ(Cfg.ClFgMetrBass, 0x002B4491u);    // 145, 68, 43
  EXPECT_EQ(Cfg.ClKtBgCKeys, 0x00F2FBD0u);     // 208, 251, 242
  EXPECT_EQ(Cfg.ClStRunning, 0x00006000u);     // 0, 96, 0
  EXPECT_EQ(Cfg.ClPanelScope, 0x00000000u);
  EXPECT_EQ(clBtnFace, 0x8000000Fu);
  EXPECT_EQ(Cfg.ClBgForm, clBtnFace);
  EXPECT_EQ(Cfg.ClKtBgNone, clBtnFace);
  EXPECT_EQ(Cfg.ClSysBgBtnFace, clBtnFace);
  EXPECT_EQ(Cfg.ClSysBgScrollBar, 0x80000000u);
  EXPECT_EQ(Cfg.ClSysBgHotLight, 0x8000001Au);
  EXPECT_TRUE(IsSysColour(Cfg.ClSysBgWindow));
  EXPECT_EQ(Cfg.ClText, clDefault);
  EXPECT_EQ(Cfg.ClStFlashPendPart, clDefault);
  EXPECT_FALSE(IsSysColour(clDefault));
  EXPECT_NE(clDefault & 0xFF000000u, 0u);  // not a plain colour either
}

TEST(SettingsFactory, KinetraceChannelColours) {
  EXPECT_EQ(Cfg.ClKinetraceChan[0], 0x00FF0000u);   // 0, 0, 255
  EXPECT_EQ(Cfg.ClKinetraceChan[2], 0x000000FFu);   // 255, 0, 0
  EXPECT_EQ(Cfg.ClKinetraceChan[6], 0x00FF8000u);   // 0, 128, 255
  EXPECT_EQ(Cfg.ClKinetraceChan[10], 0x0080FFFFu);  // 255, 255, 128
  EXPECT_EQ(Cfg.ClKinetraceChan[15], 0x0080FF00u);  // 0, 255, 128
  EXPECT_TRUE(std::equal(Cfg.ClKinetraceChan.begin(), Cfg.ClKinetraceChan.end(),
                         KinetraceChanColoursFactory.begin()));
}

TEST(SettingsFactory, SwitchesAndShowingBytesAtStartUp) {
  EXPECT_EQ(Trace.DiagFlags.load(), 0);
  EXPECT_EQ(Trace.DecodeTrace.load(), 1);
  EXPECT_EQ(Trace.TraceNotes.load(), 1);
  EXPECT_EQ(Trace.TraceProgChanges.load(), 1);
  EXPECT_EQ(Trace.TraceHotkey.load(), 1);
  for (auto* f : {&Trace.InTraceOn,
                  &Trace.OutTraceOn,
                  &Trace.TracePressure,
                  &Trace.TraceController,
                  &Trace.TracePitchBend,
                  &Trace.TraceMTC,
                  &Trace.TraceMC,
                  &Trace.TraceSync,
                  &Showing.TemplateShowing,
                  &Showing.SampleAidShowing,
                  &Showing.LiveNoteAnyLit,
                  &Showing.KeyMapperShowing})
    EXPECT_EQ(f->load(), 0);
  EXPECT_EQ(Showing.LastLiveKey.load(), -1);
  EXPECT_EQ(Topics.TakeAll(), 0u);
}

}  // namespace
}  // namespace vel
