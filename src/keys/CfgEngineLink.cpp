#include "keys/CfgEngineLink.h"

#include <mutex>

#include "base/EngineLock.h"
#include "engine/LivePath.h"
#include "engine/PartBufs.h"
#include "engine/PlayCycle.h"
#include "engine/RunControl.h"
#include "engine/Transport.h"
#include "keys/ScaleValue.h"
#include "settings/CfgLink.h"
#include "settings/Settings.h"

namespace vel {

namespace {

void Capture(TCfgEngineVals& e) {
  std::lock_guard lock(EngineLock);
  for (int p = 0; p < kCfgParts; ++p)
    for (int s = 0; s < kCfgSeqs; ++s) {
      const TPartBuf& b = Seqs.PartBufs[p][s];
      TCfgPartVals& v = e.Parts[p][s];
      v.Port = b.Port;
      v.Chan = b.Chan;
      v.SVel = b.Pend.SVel;
      v.Muted = b.Pend.Muted;
      v.FtsRoot = b.Pend.FtsRoot;
      v.FtsType = b.Pend.FtsType;
      v.PitchLocked = b.PitchLocked;
    }
  e.LiveChan = Live.Chan;
  e.LiveSVel = Live.SVel;
  e.LivePitchLocked = Live.PitchLocked;
  e.LiveFtsRoot = Live.FtsRoot;
  e.LiveFtsType = Live.FtsType;
  for (int n = 0; n < kPorts; ++n)
    for (int c = 0; c < kChans; ++c) {
      const TChanProg& cp = PlayCycle.PortChanProgs[n][c];
      e.PortChanProgs[n][c] = cp.ProgSentValid ? cp.ProgSent : cp.ProgReq;
    }
  e.InPortsAllocated = RunCtl.InPortsAllocated;
  e.OutPortsAllocated = RunCtl.OutPortsAllocated;
  for (int n = 0; n < kPorts; ++n) {
    const int8_t in = RunCtl.InPortDevIdx[n];
    const int8_t out = RunCtl.PortDevIdx[n];
    e.InPortDevNames[n] = in >= 0 ? RunCtl.MidiInDevs[in].DevName : std::string();
    e.InPortNames[n] = in >= 0 ? RunCtl.MidiInDevs[in].PortName : std::string();
    e.OutPortDevNames[n] = out >= 0 ? RunCtl.MidiOutDevs[out].DevName : std::string();
    e.OutPortNames[n] = out >= 0 ? RunCtl.MidiOutDevs[out].PortName : std::string();
    e.ProgChangesEnabled[n] = out >= 0 ? RunCtl.MidiOutDevs[out].ProgChangesEnabled : 1;
  }
  e.LivePort = RunCtl.LivePort < 0 ? 0 : RunCtl.LivePort;
  e.LocalControlOn = PlayCycle.LocalControlOn.load(std::memory_order_relaxed);
  e.TarloOn = Cfg.TarloOn;
}

void SetScale(TPartAttribs& a, int32_t root, int32_t type) {
  a.FtsRoot = root;
  a.FtsType = static_cast<uint8_t>(type);
  a.ScaleTbl = FtsScaleTable(a.FtsType);
}

void Apply(const TCfgEngineVals& e) {
  std::lock_guard lock(EngineLock);
  for (int p = 0; p < kCfgParts; ++p)
    for (int s = 0; s < kCfgSeqs; ++s) {
      TPartBuf& b = Seqs.PartBufs[p][s];
      const TCfgPartVals& v = e.Parts[p][s];
      // The main window's refresh applies the port as loaded, once it has found the devices.
      b.PortNoLoaded = v.Port;
      b.Chan = v.Chan;
      b.ChanPend = v.Port >= 0 ? v.Chan[v.Port] : 0;
      b.Pend.SVel = static_cast<uint8_t>(v.SVel);
      b.Pend.Muted = v.Muted;
      SetScale(b.Pend, v.FtsRoot, v.FtsType);
      b.PitchLocked = v.PitchLocked;
    }
  Live.Chan = e.LiveChan;
  Live.SVel = static_cast<uint8_t>(e.LiveSVel);
  Live.PitchLocked = e.LivePitchLocked;
  Live.FtsRoot = e.LiveFtsRoot;
  Live.FtsType = static_cast<uint8_t>(e.LiveFtsType);
  Live.ScaleMap = FtsScaleTable(Live.FtsType);
  for (int n = 0; n < kPorts; ++n)
    for (int c = 0; c < kChans; ++c) PlayCycle.PortChanProgs[n][c].ProgReq = e.PortChanProgs[n][c];
  PlayCycle.LocalControlOn.store(e.LocalControlOn, std::memory_order_relaxed);
  Cfg.TargetTempo = Cfg.Tempo;
  RecalcQuantTicks();
  RecalcLoadedBeatTicks();
}

}  // namespace

void InstallCfgEngineLink() {
  CfgLink().Capture = &Capture;
  CfgLink().Apply = &Apply;
}

}  // namespace vel
