#include "engine/Metronome.h"

#include "engine/PartBufs.h"
#include "settings/Settings.h"
#include "styles/StylesState.h"

namespace vel {

void BuildMetronomeBar(int32_t, bool) {
  // Holding body until the builder exists: the request is taken, the part is left as it is.
  MetrRebuildPending = 0;
}

bool RequestMetrRebuild() {
  if (MetrSeqNo < 0 || MetrSeqNo >= kSeqs) return false;
  MetrDrumChanged = 0;
  MetrBassChanged = 0;
  if (SeqBuf(MetrSeqNo).SeqState == ssStopped) {
    BuildMetronomeBar(SeqRecs[MetrSeqNo].PlayPart, false);
  } else {
    MetrRebuildPending = 1;
  }
  return true;
}

}  // namespace vel
