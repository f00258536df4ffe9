#pragma once
// Settings - Channel multiplier: per allocated output port the multiplier's on/off, its channel
// range, two presets for the range's pitch offsets, and one offset per channel. A row per port,
// made in code; only the allocated ports' rows show.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QToolButton>
#include <array>
#include <memory>

#include "base/Sizes.h"
#include "settings/forms/CfgWindow.h"

namespace Ui {
class frmCfgMChan;
}

namespace vel {

class TfrmCfgMChan : public TCfgWindow {
 public:
  explicit TfrmCfgMChan(TfrmMain& main);
  ~TfrmCfgMChan() override;

  // The allocated ports' rows show, are loaded, and the groups fit them.
  void UpdateMChanPortVisibility();
  void RefreshCfgMChanControls() { LoadCfgMChanControls(); }
  void LoadCfgMChanControls();
  // Bold inside the port's range; coloured by inside / outside while its multiplier is on.
  void ShowMChanRange(int32_t port);
  // Stores the offset the port's combo of this channel shows.
  void SetMChanPitchOffset(int32_t port, int32_t chan);
  void ZeroMChanOffsets(int32_t port);
  void PipesMChanOffsets(int32_t port);

  struct TPortRow {
    QLabel* Label = nullptr;
    QCheckBox* On = nullptr;
    QComboBox* Min = nullptr;
    QComboBox* Max = nullptr;
    QToolButton* Zero = nullptr;
    QToolButton* Pipes = nullptr;
    std::array<QComboBox*, kChans> Offsets{};
  };
  std::array<TPortRow, kPorts> Rows;
  std::array<QLabel*, kChans> ChanHeaders{};
  std::unique_ptr<Ui::frmCfgMChan> ui;

 protected:
  // Reloading (on show, after a settings load, after ports are allocated) follows the ports too.
  void Load() override { UpdateMChanPortVisibility(); }

 private:
  void HandleDynamicControls();
  void LayoutDynamicControls();
  void MakeRow(int32_t port);
  void SetMChanEnabled(int32_t port);
  void SetMChanMin(int32_t port);
  void SetMChanMax(int32_t port);
  void ShowOnBox(int32_t port);
  void ApplyPreset(int32_t port, const std::vector<int32_t>& offsets);
  void SizeGroups(int32_t rows);
};

}  // namespace vel
