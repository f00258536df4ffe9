#pragma once
// The main window's fixed lists, the values its lists select, and the taking over of pending
// metre and seq values. The form fills its combos from these and selects with signals blocked.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Sizes.h"

namespace vel {

using TItems = std::vector<std::string>;

// A list's items and the index to select, -1 none.
struct TComboFill {
  TItems Items;
  int32_t ItemIndex = 0;
};

// "1" .. lastIndex + 1; empty for a negative lastIndex. The combo selects item 0.
TItems FillNumberCombo(int32_t lastIndex);

// The program lists (live and every seq in use): "-" (no program), then 0..127, each with
// "-" + its user name while program names are shown. The index kept is currentIndex, or 0 with
// resetSelection.
TComboFill FillProgCombos(bool resetSelection, int32_t currentIndex);

// The two tempo lists: high part "0", low part "20" .. "320".
struct TTempoCombos {
  TComboFill IntMSB;
  TComboFill IntLSB;
};
TTempoCombos FillTempoCombos(bool resetSelection, int32_t currentMSB, int32_t currentLSB);

// Every fixed list of the main window. Each selects item 0 unless its ItemIndex says otherwise.
struct TMainCombos {
  TItems MaxActiveSeqs;         // cboMaxActiveSeqs
  TItems LiveChans;             // cboLiveChans
  TItems Progs;                 // cboLiveProgs and each seq's program list
  TItems LiveSVels;             // cboLiveSVels
  TItems MetrSVels;             // cboMetrBarSVel, cboMetrBeatSVel
  TItems MetrNotes;             // cboMetrBarNote, cboMetrBeatNote
  TItems QuantN;                // cboQuantN
  TItems QuantS;                // cboQuantS
  TItems TSigBeats;             // cboTSigBeats
  TItems TSigFrac;              // cboTSigFrac
  TItems TempoIntMSB;           // cboTempoIntMSB
  TItems TempoIntLSB;           // cboTempoIntLSB
  TItems FilterChans;           // cboInPort0FilterChan, cboInPort1FilterChan
  TItems SeqParts;              // each seq's part list
  TItems SeqChans;              // each seq's channel list
  TItems SeqSVels;              // each seq's SVel list
  TComboFill TarloSysexDevId;   // cboTarloSysexDevId
  bool TarloPNoEnabled = true;  // cboTarloPNo: off while no output port is allocated
};
TMainCombos FillMainCombos();

// The first index whose item equals text exactly, or -1.
int32_t FindItemIndex(const std::string& text, const TItems& items);

// The indices LoadMainCombos selects; -1 leaves a list with no selection.
struct TSeqComboIndices {
  int32_t Part = -1;
  int32_t Port = -1;
  int32_t Chan = -1;
  int32_t Prog = -1;
  int32_t SVel = -1;
  bool Muted = false;
  bool PitchLocked = false;
};
struct TMainComboIndices {
  int32_t MaxActiveSeqs = -1;
  int32_t LivePorts = -1;
  int32_t LiveChans = -1;
  int32_t LiveProgs = -1;
  int32_t LiveSVels = -1;
  int32_t MetrBarNote = -1;
  int32_t MetrBarSVel = -1;
  int32_t MetrBeatNote = -1;
  int32_t MetrBeatSVel = -1;
  int32_t QuantN = -1;
  int32_t QuantS = -1;
  int32_t TSigBeats = -1;
  int32_t TSigFrac = -1;
  int32_t TempoIntMSB = -1;
  int32_t TempoIntLSB = -1;
  // Seqs 0..MaxActiveSeqs; the rest stay at no selection.
  std::array<TSeqComboIndices, kSeqs> Seqs{};
};
// The current values as list indices. Takes EngineLock.
TMainComboIndices LoadMainCombos();

// The pending bar settings become the active ones. Takes EngineLock.
void ApplyPendingMetre();
// Each seq in use plays its selected part with its pending port, channel, SVel, mute and scale;
// the programs wanted count as sent. Takes EngineLock.
void ApplyPendingSeqValues();

}  // namespace vel
