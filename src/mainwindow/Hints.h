#pragma once
// The status-bar hints of the main window's controls and menu items.
#include <cstdint>
#include <string>
#include <vector>

namespace vel {

struct THintRow {
  std::string Name;  // the control's or menu item's object name
  std::string Hint;
};

// Every hint row, in the window's order: controls, the run-time controls of seqs
// 0..MaxActiveSeqs, then the menus. A value label shares its caption label's hint, and a caption
// label with a control shares the control's. The run-time controls are named by family and seq
// number (SeqHintFamilies), the per-port clock and sync boxes "chkMidiOutClocks" + p and
// "chkMidiOutSync" + p (p = 0..8).
std::vector<THintRow> SetHints();

// The run-time controls' family names, in the order they are made for each seq; a control's
// name is its family's + the seq number 0..3.
extern const std::vector<std::string> SeqHintFamilies;

// The range of note names: "C-2 = lowest, C3 = middle C, G8 = highest".
std::string NoteRangeText();

}  // namespace vel
