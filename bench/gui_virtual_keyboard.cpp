// The virtual keyboard window, offscreen, on factory settings over loopback: one animation step
// with 61 keys shown and 20 of them lit or fading, repainting the key row (target: under 0.5 ms a
// tick), and the labels and layout of all 128 keys after a key-mode change (target: under 5 ms).
#include <QApplication>
#include <mutex>

#include "BenchSupport.h"
#include "GuiBenchSupport.h"
#include "base/EngineLock.h"
#include "base/Showing.h"
#include "engine/KeyMode.h"
#include "engine/MidiIn.h"
#include "engine/RunControl.h"
#include "mainwindow/forms/Main.h"
#include "mainwindow/forms/MainStatus.h"
#include "tools/forms/Template.h"

namespace {

vel::bench::TBenchMainWindow window("virtual-keyboard");

vel::TfrmTemplate& Keyboard() {
  vel::TfrmMain& f = window.Get();
  if (!f.Template().isVisible()) {
    f.Status().ShowTemplateWindow();
    QCoreApplication::processEvents();
  }
  return f.Template();
}

void BM_AnimateKeys(benchmark::State& state) {
  vel::TfrmTemplate& t = Keyboard();
  t.SetTemplateKeyRange(36, 96);
  vel::RunCtl.LivePort = 0;
  vel::Keys.KeyMode = vel::TKeyMode::Live;
  vel::bench::TimeEachCall(
      state,
      [&t] {
        {
          std::lock_guard lock(vel::EngineLock);
          t.AnimateKeysLocked(50);
        }
        t.KeyRow()->repaint(t.KeyRow()->AnimatedRegion());
      },
      [](uint32_t n) {
        std::lock_guard lock(vel::EngineLock);
        // Ten held and ten fading, some of them from the last step.
        for (int32_t k = 0; k < 20; ++k)
          if (n % 4 == 0 || vel::MidiIn.LiveNoteTable[std::size_t(40 + 2 * k)].Level <= 0)
            vel::MidiIn.LiveNoteTable[std::size_t(40 + 2 * k)] = {100, 100, k % 2 == 0 ? 0 : 200};
      });
}
BENCHMARK(BM_AnimateKeys)->UseManualTime()->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_LabelsAndLayoutAfterAKeyModeChange(benchmark::State& state) {
  vel::TfrmTemplate& t = Keyboard();
  t.SetTemplateKeyRange(0, 127);
  vel::bench::TimeEachCall(
      state,
      [&t] {
        t.UpdateTemplateLabels();
        t.RelayoutKeys();
        t.KeyRow()->repaint(t.KeyRow()->AnimatedRegion());
      },
      [](uint32_t n) { vel::Keys.KeyMode = n % 2 == 0 ? vel::TKeyMode::Live : vel::TKeyMode::Command; });
}
BENCHMARK(BM_LabelsAndLayoutAfterAKeyModeChange)
    ->UseManualTime()
    ->Iterations(300)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  vel::bench::RunBenchmarks(argc, argv);
  window.Close();
  return 0;
}
