#pragma once
// The Tarlo link: SysEx messages that tell an external key-label display what each key does in
// each mode (label and colours), which mode is current, the octave shift and which keys to
// highlight. One-way, on one allocated output port. The GUI and the MIDI-in threads both send, so
// building and sending a message is one step under the link's own mutex (taken inside EngineLock
// when the caller holds that).
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/Atomic.h"
#include "keymaps/KeyTokens.h"
#include "platform/midi/Midi.h"
#include "settings/Settings.h"

namespace vel {

inline constexpr std::size_t kTarloBufSize = 2056;

// The link's state. Guarded by its Mutex, but for the open flag (Cfg.TarloOn) which the displays
// read; ResendPending is a shared atomic the status display takes.
struct TTarlo {
  std::mutex Mutex;
  int8_t DevIdx = -1;
  uint8_t DevId = 0;
  midi::Handle Handle = midi::kInvalidHandle;
  std::array<uint8_t, kTarloBufSize> Buf{};
  std::size_t Pos = 0;
  // The last record of the message being built: what the next record may repeat.
  std::string LastLabel = " ";
  TColor LastFont = 0;
  TColor LastBack = 0xFFFFFF;
  // Every map is to be sent again (the key colours were recomputed).
  TAtomic<uint8_t> ResendPending{0};
};
inline TTarlo Tarlo;

// Opens the link on an allocated output port with a SysEx device id and sends every mode, the
// octave and the key mode; an error box when the port has no device.
void TarloOpen(int32_t port, int32_t devId);
void TarloClose();
// The link sends on this output device.
bool TarloUsesOutDev(int32_t devIdx);

// One message each; false when the link is closed or the message could not be built or sent.
bool TarloSendModeTitles();
bool TarloSendAllModes();
bool TarloSendKeyMode();
bool TarloSendOctave(int32_t shift);
bool TarloSendKey(TModeType modeType, int32_t key, const std::string& label, TColor font, TColor back);
bool TarloSendKeyState(uint8_t code, int32_t key, bool on);
// Keys first..last of a mode, from its map, in one message.
bool TarloSendKeyRange(TModeType modeType, int32_t first, int32_t last);

// The key-range senders: set keys first..last of the mode's map to the code and label, then send
// them when the link is open.
void TarloSendModeLive(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeCmd(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeRec(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeSRec(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeRangeN(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeTSigN(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeTShiftN(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeQuant(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModePitch(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeMetr(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeFtsRoot(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeFtsType(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeFtn(int32_t first, int32_t last, uint8_t code, const std::string& label);
void TarloSendModeHotkey(int32_t first, int32_t last, uint8_t code, const std::string& label);

// Fills the key maps' and run control's calls into the link.
void InstallTarloCalls();

}  // namespace vel
