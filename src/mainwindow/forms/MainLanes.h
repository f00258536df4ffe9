#pragma once
// The seq track lanes and the Kinetrace of the main window: what the status tick copies from the
// engine for them, and their drawing.
#include <memory>

#include "mainwindow/forms/MainArea.h"

namespace vel {

class TKinetraceView;
struct TLanesState;

class TLanesAndKinetrace : public TMainArea {
 public:
  explicit TLanesAndKinetrace(TfrmMain& form);
  ~TLanesAndKinetrace() override;

  // The status tick calls the first inside its EngineLock section (the Kinetrace fade writes the
  // engine's note counts) and the second after releasing it.
  void LanesAndKinetraceLocked();
  void ApplyLanesAndKinetrace();
  // The Kinetrace's place and size from the settings and the column layout; the background
  // picture's box inside it and the blobs laid out again for its size and settings.
  void SetKinetraceBounds();
  // The Kinetrace's drawing inside pnlKinetrace; its SetPicture takes a loaded background picture.
  TKinetraceView* KinetraceView = nullptr;

 private:
  // What the lanes and the Kinetrace copied from the engine at the last tick, and showed.
  std::unique_ptr<TLanesState> state_;
};

}  // namespace vel
