#pragma once
// The virtual keyboard's settings as the settings windows, the settings file and the main window
// set and read them. Until the keyboard window is built each setter only stores its value; the
// window lays itself out from them when it comes. GUI thread.
#include <cstdint>

namespace vel {

// Key length in pixels; -1 until start-up applies the loaded size.
void SetTemplateKeySize(int32_t size);
int32_t GetTemplateKeySize();
void SetTemplateShowKeys(bool on);
bool GetTemplateShowKeys();
void SetTemplateShowButtons(bool on);
bool GetTemplateShowButtons();
void SetTemplateShowHelp(bool on);
bool GetTemplateShowHelp();
void SetTemplatePosnSensitive(bool on);
bool GetTemplatePosnSensitive();
void SetTemplateVelSensitive(bool on);
bool GetTemplateVelSensitive();
// Release decay 1..4.
void SetTemplateAnimateDecay(int32_t n);
int32_t GetTemplateAnimateDecay();
// The channel of mouse-played notes, 0-based.
void SetTemplateChanNo(uint8_t chan);
uint8_t GetTemplateChanNo();

}  // namespace vel
