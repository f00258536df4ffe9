#pragma once
// Settings - Colours: a swatch per colour setting; a press picks a new colour, stores it and runs
// what must follow it.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "settings/CfgWindows.h"
#include "settings/Settings.h"
#include "settings/forms/CfgWindow.h"

class QFrame;

namespace Ui {
class frmCfgColours;
}

namespace vel {

class TfrmCfgColours : public TCfgWindow {
 public:
  explicit TfrmCfgColours(TfrmMain& main);
  ~TfrmCfgColours() override;
  // Every swatch from its setting; the two labels whose colours are now unseen disabled.
  void LoadColourShapes();
  // The colour dialog preset to the swatch's colour. Cancelled, or the colour the swatch already
  // shows: false, nothing changed. Else the setting and the swatch take the new colour.
  bool PickColour(QFrame* swatch, TColor& setting);
  // A swatch pressed, as the user does it; the swatch named "shp" + keyword.
  void PressSwatch(const std::string& swatchName);
  // Runs one follow-up action; tests record them in its place.
  std::function<void(TColourAction action)> RunAction;
  std::unique_ptr<Ui::frmCfgColours> ui;

 protected:
  void Load() override { LoadColourShapes(); }
  void showEvent(QShowEvent* event) override;

 private:
  struct TSlot {
    std::string Keyword;
    QFrame* Swatch;
    TColor* Setting;
    TColourFollowUp After;
  };
  void MakeSwatches();
  void MakeChannelSwatches();
  QFrame* AddSwatch(const std::string& keyword, TColor* setting, TColourFollowUp after);
  void SwatchPressed(const TSlot& slot);
  void RunDefaultAction(TColourAction action);
  std::vector<TSlot> slots_;
};

}  // namespace vel
