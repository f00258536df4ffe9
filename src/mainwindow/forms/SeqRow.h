#pragma once
// The seq rows of the main window, which the window makes at run time and its areas show into.
#include <array>

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

}  // namespace vel
