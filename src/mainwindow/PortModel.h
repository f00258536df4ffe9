#pragma once
// The port panel's model: the device lists and port lists of both sides, and the operations that
// allocate, de-allocate, renumber and rename ports on run control's device tables. The panel window
// shows these lists and calls these operations; every structural change opens or closes the device
// at once. GUI thread only; the device tables are written under EngineLock, which the MIDI-in path
// reads them under.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/HookSlots.h"
#include "base/Sizes.h"

namespace vel {

enum class TPortSide : uint8_t { Inputs, Outputs };

// The row of a device list between the allocated devices (in port order) and the free ones.
inline constexpr const char* kFreeDevicesLine = "Free devices below:-";

// One row of a device list: the device's name and its index in the device table (-1 for the
// separator). The index, not the name, says which device a row is: two devices may share a name.
struct TDevItem {
  std::string Text;
  int32_t DevIdx = -1;
};

struct TPortList {
  std::vector<TDevItem> DevItems;      // lstInDNames / lstOutDNames
  std::vector<std::string> PortItems;  // lstInPNames / lstOutPNames: "P1- name", in port order
};

// GUI thread only.
struct TPortLists {
  TPortList In;
  TPortList Out;
};
inline TPortLists PortLists;

inline TPortList& PortListOf(TPortSide side) {
  return side == TPortSide::Inputs ? PortLists.In : PortLists.Out;
}

// Calls into the windows that show ports; an empty one is skipped.
struct TPortHooks {
  // The ports of one side changed: the users of those ports refresh (Tarlo port combo, sample aid
  // combos, channel multiplier window; the timing window's clock combo).
  std::function<void(TPortSide side)> PortUsersChanged;
};
inline TPortHooks PortHooks;

inline auto HookSlots(const TPortHooks& h) {
  return std::to_array<THookSlot>({VEL_HOOK_SLOT(h, PortUsersChanged)});
}
static_assert(kAllSlotsListed<TPortHooks, std::function<void()>>,
              "a member of TPortHooks is not in HookSlots");

// "P3- Synth" for port index 2.
std::string PortItemText(int32_t port, const std::string& name);

// Refill the device list: the allocated devices in port order, then, when a free device exists,
// "Free devices below:-" and the free devices in table order.
void ListInDevices();
void ListOutDevices();
// The row index of the separator, or the row count when there is none.
int32_t FreeDevicesRow(TPortSide side);

// The allocate button's enabling: Config, a device row that is not the separator, a device not
// opened, fewer than 9 ports.
bool CanAllocate(TPortSide side, int32_t row);
// Allocates the device of the device-list row to the next port and opens it (inputs are also
// started). True when allocated; a device that fails gets the error box and nothing else changes.
// This and the structural operations below do nothing while the engine runs.
bool AllocateSelectedDevice(TPortSide side, int32_t row);
// Closes and de-allocates the port; the later ports move down one place. Returns the port to
// select afterwards (-1 none).
int32_t DeallocatePort(TPortSide side, int32_t port);
// Swaps the port with the one below (towards port 1) or above. Returns the port to select.
int32_t MovePort(TPortSide side, int32_t port, bool down);
// The port's name from the rename edit: its prefix dropped and trimmed; empty gives the device's
// abbreviated name. Allowed in every state.
void ApplyPortRename(TPortSide side, int32_t port, const std::string& text);
// Closes and de-allocates every port of the side, lists its devices again and refills its lists.
void RescanDevices(bool outputs);

// The first item whose text less its port prefix equals name gives its port index, and becomes
// current; none matching leaves current and gives the port index of the current item.
int32_t SelectPortComboByName(const std::vector<std::string>& items, int32_t& current,
                              const std::string& name);

// The port values the live and seq port lists show: the live port and each seq's pending port in
// its playing part, read together under EngineLock.
struct TChosenPorts {
  int32_t Live = 0;
  std::array<int32_t, kSeqs> Seqs{};
};
TChosenPorts ChosenPortsNow();
// The highest allocated output port on device dev, else otherwise; under EngineLock.
int32_t OutPortOfDev(int32_t dev, int32_t otherwise);

}  // namespace vel
