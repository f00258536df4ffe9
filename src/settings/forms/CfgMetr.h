#pragma once
// Settings - Metronome: which seq plays the metronome, its channels, notes per bar, the bass gate
// time and where the tick-tock light starts.
#include <cstdint>
#include <memory>

#include "settings/forms/CfgWindow.h"

namespace Ui {
class frmCfgMetr;
}

namespace vel {

class TfrmCfgMetr : public TCfgWindow {
 public:
  explicit TfrmCfgMetr(TfrmMain& main);
  ~TfrmCfgMetr() override;

  void RefreshCfgMetr();
  void FillMetrSeqNos();
  void EnableMetrSeqControls();
  void ShowMetrNoteLenFrac();
  void PickMetrNoteLenFrac(int32_t n);

  std::unique_ptr<Ui::frmCfgMetr> ui;
  QButtonGroup* NoteLenFrac = nullptr;
  QButtonGroup* NoteOnPercent = nullptr;

 protected:
  void Load() override { RefreshCfgMetr(); }
  // Beside the loader it serves the notes-per-bar button alone, after a time signature moved it.
  void OnShowing(TTopic topic) override {
    if (topic == TTopic::MetrNoteLen) ShowMetrNoteLenFrac();
    if (topic == TTopic::OutPortsClosed) FillMetrSeqNos();
  }

 private:
  // The settings file keeps no place for this window: it keeps its place for the session only.
  int32_t left_ = -1;
  int32_t top_ = -1;
  // The seq list is usable only with an output port: it follows the outputs as they come and go.
  // Registered apart, as the common base registers the window before this part of it exists.
  TWindowAnswers portAnswers_;
  TRegistration portRegistration_;
};

}  // namespace vel
