// Start values of the settings and state bytes: the factory values of the settings, the start-up
// values of the switches.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

#include "base/Showing.h"
#include "settings/Settings.h"
#include "settings/SettingsState.h"
#include "styles/StylesState.h"

namespace vel {
namespace {

TEST(SettingsFactory, SpotValues) {
  EXPECT_EQ(MaxActiveSeqs, 3);  // four seqs
  EXPECT_EQ(StandardMode, 1);
  EXPECT_EQ(Tempo, 12000);
  EXPECT_EQ(TargetTempo, 12000);
  EXPECT_EQ(TempoSlewTime, 3000);
  EXPECT_EQ(MidiTimerInterval, 1);
  EXPECT_EQ(DspStatusInterval, 50);
  EXPECT_EQ(DspMetrInterval, 10);
  EXPECT_EQ(DspDiagInterval, 20);
  EXPECT_EQ(DPressInterval, 400);
  EXPECT_EQ(SRecNoteOnPercent, 75);
  EXPECT_EQ(SRecChordDetectThreshold, 150);
  EXPECT_EQ(CCVolResetValue, 100);
  EXPECT_EQ(CCFullPedalMin, 64);
  EXPECT_EQ(CCHalfPedalMin, 50);
  EXPECT_EQ(RecStopSeqNo, 1);  // seq 2
  EXPECT_EQ(RecStopImmStop, 1);
  EXPECT_EQ(RecRawSyncReqd, 1);
  EXPECT_EQ(RecIntSyncReqd, 0);
  EXPECT_EQ(DisableHotkeys, 1);
  EXPECT_EQ(MainInPortFilterChan, -1);
  EXPECT_EQ(AuxInPortFilterChan, -1);
  EXPECT_EQ(KinetracePosn, 3);
  EXPECT_EQ(KinetraceTail, 7);
  EXPECT_EQ(TemplateAnimateSize, 4);
  EXPECT_EQ(TemplateLeftKeyNo, 36);
  EXPECT_EQ(TemplateRightKeyNo, 72);
  EXPECT_EQ(WindowTemplateTop, -1);
}

TEST(SettingsFactory, Metronome) {
  EXPECT_EQ(MetrSeqNo, 0);     // seq 1
  EXPECT_EQ(MetrDrumChan, 9);  // channel 10
  EXPECT_EQ(MetrBassChan, 0);
  EXPECT_EQ(MetrBars, 1);
  // "C", "C1", "F1", "FS1" with C3 = 60.
  EXPECT_EQ(MetrBassBarNote, 24);
  EXPECT_EQ(MetrBassBeatNote, 36);
  EXPECT_EQ(MetrDrumBarNote, 41);
  EXPECT_EQ(MetrDrumBeatNote, 42);
  EXPECT_EQ(MetrBassBarSVel, 7);
  EXPECT_EQ(MetrBassBeatSVel, 5);
  EXPECT_EQ(MetrDrumBarSVel, 5);
  EXPECT_EQ(MetrDrumBeatSVel, 5);
  EXPECT_EQ(MetrNoteLenFrac, 4);
  EXPECT_EQ(MetrFill, 1);
  EXPECT_EQ(MetrStartOnLeft, 1);
  EXPECT_EQ(MetrModeStyles, 0);
}

TEST(SettingsFactory, PortsAndHolding) {
  EXPECT_EQ(InPortsLoaded, -1);
  EXPECT_EQ(OutPortsLoaded, -1);
  EXPECT_EQ(LivePortNoLoaded, 0);
  EXPECT_EQ(TarloSysExPortNo, 0);
  EXPECT_EQ(TarloSysExDevId, 1);
  EXPECT_EQ(TarloOnRequested, 0);
  EXPECT_EQ(TarloOn, 0);
  EXPECT_EQ(TemplateKeySizeLoaded, 40);
  EXPECT_EQ(TemplateKeySize, -1);  // nothing laid out before start-up applies the loaded size
  for (int p = 0; p < kPorts; ++p) {
    EXPECT_EQ(ProgChangesEnabled[p], 1) << p;
    EXPECT_EQ(MChanEnabled[p], 0) << p;
    EXPECT_EQ(MChanMin[p], 0) << p;
    EXPECT_EQ(MChanMax[p], 0) << p;
    EXPECT_EQ(MIDIOutClocksEnabled[p], 0) << p;
    EXPECT_EQ(MidiOutSyncEnabled[p], 0) << p;
    for (int c = 0; c < kChans; ++c) EXPECT_EQ(MChanPitchOffset[p][c], 0);
  }
}

// The key mapping reads these on the MIDI-in thread without a lock; a calibrate key may hold -1 (a
// loaded text that names no note), so it is signed.
TEST(SettingsFactory, ControlInputKeysAreLockFreeWithFactoryValues) {
  static_assert(std::atomic<int32_t>::is_always_lock_free);
  ASSERT_EQ(InPortOctaveOffset.size(), 2u);
  ASSERT_EQ(InPortLiveCmdKey.size(), 2u);
  EXPECT_EQ(InPortOctaveOffset[0].load(), 0);
  EXPECT_EQ(InPortOctaveOffset[1].load(), 0);
  EXPECT_EQ(InPortLiveCmdKey[0].load(), 36);
  EXPECT_EQ(InPortLiveCmdKey[1].load(), 36);
  InPortLiveCmdKey[1] = -1;
  EXPECT_EQ(InPortLiveCmdKey[1].load(), -1);
  InPortLiveCmdKey[1] = 36;
}

TEST(SettingsFactory, ProgramNames) {
  EXPECT_EQ(UserProgNames[0], "Ac Grand Piano");
  EXPECT_EQ(UserProgNames[25], "Ac Gtr, Steel");
  EXPECT_EQ(UserProgNames[26], "El Gtr, Jazz");
  EXPECT_EQ(UserProgNames[27], "El Gtr, Clean");
  EXPECT_EQ(UserProgNames[28], "El Gtr, Muted");
  EXPECT_EQ(UserProgNames[3], "Honky-tonk Piano");  // 16 characters
  EXPECT_EQ(UserProgNames[87], "Bass and Lead");
  EXPECT_EQ(UserProgNames[103], "Sci-Fi");
  EXPECT_EQ(UserProgNames[127], "Gunshot");
  for (const auto& n : UserProgNames) {
    EXPECT_FALSE(n.empty());
    EXPECT_LE(n.size(), 16u) << n;
  }
}

// Colours are $00BBGGRR; system colours carry the top bit and their element number.
TEST(SettingsFactory, ColourLayout) {
  EXPECT_EQ(Rgb(255, 0, 0), 0x000000FFu);
  EXPECT_EQ(ClStSelnActive, 0x00013AFEu);  // 254, 58, 1
  EXPECT_EQ(ClFgMetrBass, 0x002B4491u);    // 145, 68, 43
  EXPECT_EQ(ClKtBgCKeys, 0x00F2FBD0u);     // 208, 251, 242
  EXPECT_EQ(ClStRunning, 0x00006000u);     // 0, 96, 0
  EXPECT_EQ(ClPanelScope, 0x00000000u);
  EXPECT_EQ(clBtnFace, 0x8000000Fu);
  EXPECT_EQ(ClBgForm, clBtnFace);
  EXPECT_EQ(ClKtBgNone, clBtnFace);
  EXPECT_EQ(ClSysBgBtnFace, clBtnFace);
  EXPECT_EQ(ClSysBgScrollBar, 0x80000000u);
  EXPECT_EQ(ClSysBgHotLight, 0x8000001Au);
  EXPECT_TRUE(IsSysColour(ClSysBgWindow));
  EXPECT_EQ(ClText, clDefault);
  EXPECT_EQ(ClStFlashPendPart, clDefault);
  EXPECT_FALSE(IsSysColour(clDefault));
  EXPECT_NE(clDefault & 0xFF000000u, 0u);  // not a plain colour either
}

TEST(SettingsFactory, KinetraceChannelColours) {
  EXPECT_EQ(ClKinetraceChan[0], 0x00FF0000u);   // 0, 0, 255
  EXPECT_EQ(ClKinetraceChan[2], 0x000000FFu);   // 255, 0, 0
  EXPECT_EQ(ClKinetraceChan[6], 0x00FF8000u);   // 0, 128, 255
  EXPECT_EQ(ClKinetraceChan[10], 0x0080FFFFu);  // 255, 255, 128
  EXPECT_EQ(ClKinetraceChan[15], 0x0080FF00u);  // 0, 255, 128
  EXPECT_TRUE(
      std::equal(ClKinetraceChan.begin(), ClKinetraceChan.end(), KinetraceChanColoursFactory.begin()));
}

TEST(SettingsFactory, SwitchesAndShowingBytesAtStartUp) {
  EXPECT_EQ(DiagFlags.load(), 0);
  EXPECT_EQ(DecodeTrace.load(), 1);
  EXPECT_EQ(TraceNotes.load(), 1);
  EXPECT_EQ(TraceProgChanges.load(), 1);
  EXPECT_EQ(TraceHotkey.load(), 1);
  for (auto* f :
       {&InTraceOn,      &OutTraceOn,        &TracePressure,   &TraceController, &TracePitchBend,
        &TraceMTC,       &TraceMC,           &TraceSync,       &TemplateShowing, &SampleAidShowing,
        &LiveNoteAnyLit, &KeyMapperShowing,  &KeyMapsShowing,  &KeyLabelsRedraw, &CfgDrumShowing,
        &CfgBassShowing, &CfgColoursShowing, &CfgMChanShowing, &RecModeChanged,  &MetrNoteLenChanged})
    EXPECT_EQ(f->load(), 0);
  EXPECT_EQ(LastLiveKey.load(), -1);
}

}  // namespace
}  // namespace vel
