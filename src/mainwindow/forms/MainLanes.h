#pragma once
// The seq track lanes and the Kinetrace of the main window: what the status tick copies from the
// engine for them, and their drawing.
#include <memory>

#include "mainwindow/WindowRegistry.h"
#include "mainwindow/forms/SeqRow.h"

class QFrame;
class QPalette;
class QWidget;

namespace vel {

class TKinetraceView;
struct TLanesState;
struct TColumnLayout;

// The Kinetrace's panel, which the area places and draws in; the seq rows, whose lanes it draws;
// and what it only reads: the widgets the Kinetrace's place is taken from, the column layout and
// the system colours.
struct TLanesWidgets {
  QFrame* Kinetrace = nullptr;
  const TSeqRows* SeqRows = nullptr;
  const QWidget* SeqStatus = nullptr;
  const QWidget* Control = nullptr;
  const QWidget* Metr = nullptr;
  const QWidget* Clock = nullptr;
  const QWidget* Ports = nullptr;
  const QWidget* Live = nullptr;
  const QWidget* SeqMidiActivity = nullptr;
  const QWidget* SeqTracks = nullptr;
  const QWidget* SeqProgs = nullptr;
  const QWidget* SeqSVels = nullptr;
  const QWidget* Background = nullptr;
  const QWidget* ConfigOutPorts = nullptr;
  const TColumnLayout* Columns = nullptr;
  const QPalette* SysPalette = nullptr;
};

class TLanesAndKinetrace : public TWindow {
 public:
  explicit TLanesAndKinetrace(const TLanesWidgets& widgets);
  TLanesAndKinetrace(const TLanesAndKinetrace&) = delete;
  TLanesAndKinetrace& operator=(const TLanesAndKinetrace&) = delete;
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
  TLanesWidgets w_;
  // What the lanes and the Kinetrace copied from the engine at the last tick, and showed.
  std::unique_ptr<TLanesState> state_;
};

}  // namespace vel
