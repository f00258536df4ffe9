#pragma once
// ResetAllState and the main window's models: port lists, refresh and port hooks, help, computer
// keys and the instance locks (released). The forms' own state is not touched. Only while no other
// thread runs system code.

namespace vel {

void ResetViewState();

}  // namespace vel
