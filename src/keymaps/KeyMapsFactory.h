#pragma once
// The factory key maps: every key of every mode's map from a fixed table, the standard one or, in
// novice mode (Cfg.StandardMode 0), a smaller one for ten of the modes. GUI thread; a caller that
// runs while the engine may be live holds EngineLock, since the octave offsets are settings.

namespace vel {

// Control inputs 1 and 2 back to octave offset 0 and live command (calibrate) key 36, the key on
// which every factory map puts its escape or command function.
void ResetInPortOctaves();

// One loader per mode: sets all 128 keys of that mode's map through its setter (the factory
// entries, every other key the mode's default) and sends the whole map to the label display.
// Nothing else: the octave offsets and the key-map views are the caller's.
void LoadKeyMapFactoryCmd();
void LoadKeyMapFactoryLive();
void LoadKeyMapFactoryHotkey();
void LoadKeyMapFactoryRec();
void LoadKeyMapFactorySRec();
void LoadKeyMapFactoryNumN();
void LoadKeyMapFactoryTSigN();
void LoadKeyMapFactoryTShiftN();
void LoadKeyMapFactoryQuantN();
void LoadKeyMapFactoryPitchO();
void LoadKeyMapFactoryMetrN();
void LoadKeyMapFactoryFtsRootN();
void LoadKeyMapFactoryFtsTypeN();
void LoadKeyMapFactoryFtn();

// All fourteen factory maps: the octave offsets and calibrate keys reset, every map cleared, the
// loaders in their fixed order, then the open key-map views refreshed.
void LoadKeyMapsFactory();

}  // namespace vel
