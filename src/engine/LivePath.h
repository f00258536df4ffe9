#pragma once
// Live event path: what the performer plays, echoed to the live output with its own channel,
// velocity scale, pitch, force-to-scale and channel multiplier, separate from the seqs. The
// timer thread takes the queued messages due by its next tick (a bounded number per tick) and
// hands each to ProcessLiveEvent. Hotkey events
// (note messages with data 2 = 128) become key strokes, sent by a worker thread of their own so
// that the timer thread never waits on the window system.
#include <array>
#include <atomic>
#include <cstdint>

#include "base/Atomic.h"
#include "base/Sizes.h"
#include "engine/PartBufs.h"
#include "platform/Keys.h"
#include "platform/midi/Midi.h"

namespace vel {

// The live output: what the performer plays goes out with these settings, apart from the seqs.
// Guarded by EngineLock (the timer tick's live event, commands on the MIDI-in and GUI threads),
// but for the atomics: the input lights, raised here and by the MIDI-in path and dropped by the
// status display, and the hotkey target window, which the hotkey sender thread reads.
struct TLive {
  // The live output's settings (the live port is LivePort, RunControl.h). Settings-file keywords:
  // "Live-Port" + n + "-Chan", "Live-SVel", "Live-PitchLocked", "Live-FtsRoot", "Live-FtsType".
  // The live channel per output port; the one in force is LiveChan[LivePort].
  std::array<int8_t, kPorts> Chan{};
  uint8_t SVel = 5;  // 0..9; 5 unchanged, 0 silent
  int32_t Pitch = 0;
  int32_t TransposeBase = 0;  // reference of relative pitch commands
  uint8_t PitchLocked = 0;
  int32_t FtsRoot = 0;  // 0..11
  uint8_t FtsType = kFtsTypeOff;
  const TScaleTbl* ScaleMap = nullptr;
  // The live output's own copy of the force-to-notes map, which ScaleMap refers to while the
  // custom type is in force.
  TScaleTbl FtnMap{};
  // The live output's tempo clock divider, 1 none.
  int32_t TempoClockDiv = 1;
  TShortName FtsName;
  // The live port's channel multiplier applies to the live channel.
  uint8_t MChanApplies = 0;
  // Per output port, the channels where the live output's pedal is down; and the port and the
  // channels its counted notes went out on. A move of the live output releases them there.
  std::array<uint16_t, kPorts> PedalsDown{};
  int8_t NotesPort = -1;
  uint16_t NoteChans = 0;
  // The live output is a command target.
  uint8_t Selected = 0;
  // The live sweeps, stepped once per metronome pattern (RecalcBarSettings). The tempo sweep's
  // limits are tempos.
  TSweep<int32_t> TempoSweep;
  TSweep<int8_t> PortSweep;
  TSweep<int8_t> ChanSweep;
  TSweep<int32_t> ProgSweep;
  TSweep<uint8_t> SVelSweep;
  // Input activity lights: raised here and by the MIDI-in path; the status display stamps the
  // time, shows them and drops them.
  TAtomic<uint8_t> InLightOther{0};
  TAtomic<int32_t> InLightOtherTime{0};
  TAtomic<uint8_t> InLightNote{0};
  TAtomic<int32_t> InLightNoteTime{0};
  TAtomic<uint8_t> InLightHotkey{0};
  TAtomic<int32_t> InLightHotkeyTime{0};
  // The window hotkeys go to unless HotkeysTargetActiveWin; found by its title (0 none).
  TAtomic<keys::WindowId> HotkeyTargetWnd{0};
};
inline TLive Live;

// One live message. Fits it to the live output, counts notes so that no note-off goes out
// without its note-on, sends it while LocalControlOn, traces it, raises the lights and feeds the
// live note display; a hotkey becomes a key stroke.
// stampNs: the message's input time on the MIDI layer's clock; the output places every message
// it makes (the multiplier's copies, in order) at that time plus its constant latency.
void ProcessLiveEvent(uint32_t msg, int64_t stampNs = midi::kNow);

// Fits one message to the live output. drop: nothing to send; mchan: the channel multiplier
// sends it; hotkey: a hotkey event; noteOn: a note-on (velocity 0 is a note-off); isNote: 8n or
// 9n.
uint32_t AdjustLiveEvent(uint32_t msg, bool& drop, bool& mchan, bool& hotkey, bool& noteOn, bool& isNote);

// Writes program change prog on chan to LiveFifo.
void QueueProgChange(int32_t chan, int32_t prog);
// Note-offs and pedal up wherever the live output left notes sounding or its pedal down on a
// port or channel no longer in force (the timer's tick calls it, after any move of the live
// output, whichever path moved it).
void ReleaseMovedLiveOutput();
// The live programs count as sent (nothing is sent).
void MarkLiveProgsSent();

void FlagInActivity(bool isNote, bool noteOn, bool hotkey);
// The live note display's record of one message.
void CountLiveNote(uint32_t msg, bool isNote, bool noteOn);
// Clears the live note display's counts.
void ResetNoteOnCounts();

// Queues a key stroke (a Windows virtual-key code) for the hotkey sender; any thread, taking only
// the queue's mutex, and never waiting on the window system. Unless HotkeysTargetActiveWin, the
// stroke goes to HotkeyTargetWnd, brought forward first; when it cannot be, nothing is sent.
void SendHotkeyStroke(uint8_t key, bool down);

// What the hotkey sender calls; tests replace them to record strokes without a display. The sender
// thread reads them without a lock, so they change only while it is stopped.
struct THotkeyIo {
  bool (*SendKey)(uint8_t virtualKey, bool down) = &keys::SendKey;
  keys::WindowId (*ActiveWindow)() = &keys::ActiveWindow;
  bool (*Activate)(keys::WindowId window) = &keys::Activate;
};
inline THotkeyIo HotkeyIo;

// The hotkey sender's thread: started for a run, stopped after it (strokes still queued are
// dropped). Without it, queued strokes wait for RunQueuedHotkeyStrokes. The stop joins the thread,
// so it is never called under EngineLock.
void StartHotkeySender();
void StopHotkeySender();
// Sends every queued stroke on the calling thread, oldest first; returns how many were taken.
int32_t RunQueuedHotkeyStrokes();

}  // namespace vel
