#pragma once
// The seq rows of the main window, which the window makes at run time and its areas show into,
// and the shared procedures of their controls.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "base/Sizes.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;

namespace vel {

class TSeqLane;

// One seq's run-time row, made in code for each seq in use.
struct TSeqRow {
  QFrame* pnlSeq = nullptr;
  QLabel* lblSeqNo = nullptr;
  QLabel* lblSeqState = nullptr;
  QCheckBox* chkSeqMuted = nullptr;
  QCheckBox* chkSeqPitchLock = nullptr;
  QLabel* lblSeqPitch = nullptr;
  QLabel* lblSeqScale = nullptr;
  QLabel* lblSeqTrans = nullptr;
  QComboBox* cboSeqProg = nullptr;
  QLabel* lblSeqProg = nullptr;
  QComboBox* cboSeqPartNo = nullptr;
  QLabel* lblSeqPartNo = nullptr;
  QComboBox* cboSeqChan = nullptr;
  QLabel* lblSeqChan = nullptr;
  QComboBox* cboSeqSVel = nullptr;
  QLabel* lblSeqSVel = nullptr;
  QComboBox* cboSeqPort = nullptr;
  QLabel* lblSeqPort = nullptr;
  QLabel* lblSeqLen = nullptr;
  QLabel* lblSeqTDiv = nullptr;
  QLabel* lblSeqTimeShift = nullptr;
  QLabel* lblSeqNumPosn = nullptr;
  // The track lane: grid, length bar and play position, painted in one widget.
  TSeqLane* SeqLane = nullptr;
  QFrame* shpSeqMidiActivity = nullptr;
};

using TSeqRows = std::array<TSeqRow, kSeqs>;

// The controls the window makes at run time: the seq rows and the outputs' clock and sync boxes.
struct TRunTimeControls {
  TSeqRows* SeqRows = nullptr;
  std::array<QCheckBox*, kPorts>* OutClocks = nullptr;
  std::array<QCheckBox*, kPorts>* OutSync = nullptr;

  TSeqRow& Row(int32_t seq) const { return (*SeqRows)[std::size_t(seq)]; }
  QCheckBox* Clocks(int32_t port) const { return (*OutClocks)[std::size_t(port)]; }
  QCheckBox* Sync(int32_t port) const { return (*OutSync)[std::size_t(port)]; }
};

// The shared procedures of the per-seq controls, each taking its seq. The per-seq handlers fill
// them; an empty one does nothing.
struct TSeqHandlers {
  std::function<void(int32_t seq)> SeqNoClick, SeqMutedClick, SeqPitchLockClick, SeqProgChange,
      SeqPartNoChange, SeqChanChange, SeqSVelChange, SeqOutPortChange;
  std::function<void(int32_t port)> MidiOutClocksClick, MidiOutSyncClick;
};
inline TSeqHandlers SeqHandlers;

}  // namespace vel
