#pragma once
// The seq rows' and the live row's controls: the mouse counterpart of the keyboard commands. They
// write the same pending values the commands write; the form then brings itself and the engine into
// line. Also the metronome seq choice and the port look-ups the displays and settings use.
// GUI thread; each procedure takes EngineLock itself and must be called without it.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vel {

// The seqs a change on seq's row acts on: seq alone when it is not selected, else every selected seq
// in use (the keyboard commands' rule). Caller holds EngineLock.
std::vector<int32_t> TargetSeqs(int32_t seq);

// What a row change did: the row's seq was selected (the selection then survives the refresh), and
// some target's value changed.
struct TSeqEdit {
  bool WasSelected = false;
  bool Changed = false;
};

// Seq rows. The texts and indices are the control's; "changed" of the check boxes is true only when
// some target's value really changed, of the others always.
TSeqEdit SeqOutPortChange(int32_t seq, const std::string& itemText);
TSeqEdit SeqChanChange(int32_t seq, const std::string& chanText);
TSeqEdit SeqProgChange(int32_t seq, int32_t itemIndex);
TSeqEdit SeqSVelChange(int32_t seq, const std::string& digitText);
TSeqEdit SeqPartNoChange(int32_t seq, const std::string& partText);
TSeqEdit SeqMutedClick(int32_t seq, bool checked);
TSeqEdit SeqPitchLockClick(int32_t seq, bool checked);
void SeqNoClick(int32_t seq);
void SeqHeaderClick();
// Some seq plays (other than stopped, primed or recording).
bool AnySeqPlaying();
// Start-up's seq and port defaults: part 0 selected and playing, everything on port 0, channel 0.
void StartUpRouting();

// The common ending of a row change that changed something: the whole refresh, with the selection
// kept across it when the row's seq was selected. refresh runs RefreshAll.
void EndSeqEdit(const TSeqEdit& edit, const std::function<void()>& refresh);

// Live row. The port change takes the pending seq values over; the form then reloads its combos.
void LivePortChanged(const std::string& itemText);
void LiveChanChanged(const std::string& chanText);
void LiveProgChanged(int32_t itemIndex);
// The live velocity digit, held to 0..9.
void SetLiveSVel(int32_t digit);

// A program list's choice on one port and channel: item 0 ("-") stops program changes for the
// port's device; item n switches them on and asks for program n - 1 unless it was sent last.
// Caller holds EngineLock.
void ApplyProgChoice(int32_t port, int32_t chan, int32_t itemIndex);

// The metronome seq (-1 none). Refused with a box while seqs run; asks before a seq with events is
// overwritten. refill shows the unchanged setting again (the metronome window's list). True when
// the setting changed.
bool SetMetronomeSeq(int32_t seq, const std::function<void()>& refill);

// Port look-ups (port 0..8): empty for any other index or a port without a device.
std::string InPortDevName(int32_t port);
std::string OutPortDevName(int32_t port);
std::string InPortName(int32_t port);
std::string OutPortName(int32_t port);
// The first listed device with exactly that name, -1 none.
int8_t InDevIdxByName(const std::string& name);
int8_t OutDevIdxByName(const std::string& name);

}  // namespace vel
