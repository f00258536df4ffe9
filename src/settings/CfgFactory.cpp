#include "settings/CfgFactory.h"

#include "base/UiHooks.h"
#include "keymaps/KeyMapsFactory.h"
#include "settings/CfgFile.h"
#include "settings/CfgLink.h"
#include "settings/CfgReader.h"
#include "settings/Settings.h"
#include "styles/StyleStore.h"

namespace vel {

void InitFolderDefaults() {
  const std::string home = UserProfileFolder();
  for (std::string* f : {&Cfg.RunTimeSceneFolder, &Cfg.LastLoadedMidiFolder, &Cfg.LastSavedMidiFolder,
                         &Cfg.LastLoadedConfigFolder, &Cfg.LastSavedConfigFolder, &Cfg.LastSavedDiagLogFolder,
                         &Cfg.LastSavedKeyMapsFolder})
    *f = home;
}

void LoadColoursSystem() {
  for (const CfgColour& c : CfgColours)
    if (c.Keyword.substr(0, 5) == "ClSys") *c.Var = c.Factory;
}

void LoadColoursFactory() {
  Cfg.ClKinetraceChan = KinetraceChanColoursFactory;
  for (const CfgColour& c : CfgColours)
    if (c.Keyword.substr(0, 5) != "ClSys") *c.Var = c.Factory;
  LoadColoursSystem();
}

void LoadConfigFactory() {
  LogCfgIfDiag("Configuring from factory settings");
  // Everything but the mode, the live atomics and what start-up alone knows starts from a fresh set.
  const TCfg fresh;
  // The atomics cannot be assigned with the rest; ResetInPortOctaves sets them below.
  static_cast<TBarSettings&>(Cfg) = static_cast<const TBarSettings&>(fresh);
#define VEL_CFG_COPY(T, Name, Factory, Form) Cfg.Name = fresh.Name;
  VEL_CFG_ALL_SCALARS(VEL_CFG_COPY)
#undef VEL_CFG_COPY
  Cfg.TargetTempo = fresh.TargetTempo;
  Cfg.TemplateKeySizeLoaded = fresh.TemplateKeySizeLoaded;
  Cfg.MIDIOutClocksEnabled = fresh.MIDIOutClocksEnabled;
  Cfg.MidiOutSyncEnabled = fresh.MidiOutSyncEnabled;
  Cfg.MChanEnabled = fresh.MChanEnabled;
  Cfg.MChanMin = fresh.MChanMin;
  Cfg.MChanMax = fresh.MChanMax;
  Cfg.MChanPitchOffset = fresh.MChanPitchOffset;
  Cfg.ProgChangesEnabled = fresh.ProgChangesEnabled;
  Cfg.LivePortNoLoaded = fresh.LivePortNoLoaded;
  Cfg.TarloSysExPortNo = fresh.TarloSysExPortNo;
  Cfg.TarloSysExDevId = fresh.TarloSysExDevId;
  Cfg.TarloOnRequested = fresh.TarloOnRequested;
  Cfg.UserProgNames = FactoryProgNames();
  InitFolderDefaults();
  LoadColoursFactory();
  // The note display follows the mode.
  Cfg.DspKinetrace = Cfg.StandardMode != 0;
  // Parts, live output and programs.
  TCfgEngineVals& e = CfgEngine;
  const TCfgEngineVals freshVals;
  e.Parts = freshVals.Parts;
  e.LiveChan = freshVals.LiveChan;
  e.LiveSVel = freshVals.LiveSVel;
  e.LivePitchLocked = freshVals.LivePitchLocked;
  e.LiveFtsRoot = freshVals.LiveFtsRoot;
  e.LiveFtsType = freshVals.LiveFtsType;
  e.PortChanProgs = freshVals.PortChanProgs;
  e.ProgChangesEnabled = freshVals.ProgChangesEnabled;
  e.LocalControlOn = 1;
  e.TarloPortIndex = 0;
  e.TarloDevIdText = "1";
  // Styles.
  LoadDrumFactoryAll();
  LoadBassFactoryAll();
  PublishTopic(TTopic::DrumStyles);
  PublishTopic(TTopic::BassStyles);
  // Key maps, octave offsets and calibrate keys included.
  LoadKeyMapsFactory();
  if (CfgLink().Apply) CfgLink().Apply(CfgEngine);
}

void ResetAllToFactory() {
  CfgFiles.ConfigFileName.clear();
  if (CfgLink().LoadConfigAndApplyFactory) {
    CfgLink().LoadConfigAndApplyFactory();
  } else {
    bool ok = false;
    LoadConfig(true, false, CfgFull, ok);
  }
}

}  // namespace vel
