#include "tools/TemplateSettings.h"

#include <mutex>

#include "base/EngineLock.h"
#include "base/UiHooks.h"
#include "settings/Settings.h"

namespace vel {

void SetTemplateKeySize(int32_t size) {
  Cfg.TemplateKeySize = size;
  // A showing keyboard lays itself out again with its labels.
  PublishTopic(TTopic::KeyLabels);
}
int32_t GetTemplateKeySize() {
  return Cfg.TemplateKeySize;
}
void SetTemplateShowKeys(bool on) {
  Cfg.TemplateShowKeys = on ? 1 : 0;
}
bool GetTemplateShowKeys() {
  return Cfg.TemplateShowKeys != 0;
}
void SetTemplateShowButtons(bool on) {
  Cfg.TemplateShowButtons = on ? 1 : 0;
}
bool GetTemplateShowButtons() {
  return Cfg.TemplateShowButtons != 0;
}
void SetTemplateShowHelp(bool on) {
  Cfg.TemplateShowHelp = on ? 1 : 0;
}
bool GetTemplateShowHelp() {
  return Cfg.TemplateShowHelp != 0;
}
void SetTemplatePosnSensitive(bool on) {
  Cfg.TemplatePosnSensitive = on ? 1 : 0;
}
bool GetTemplatePosnSensitive() {
  return Cfg.TemplatePosnSensitive != 0;
}
void SetTemplateVelSensitive(bool on) {
  Cfg.TemplateVelSensitive = on ? 1 : 0;
}
bool GetTemplateVelSensitive() {
  return Cfg.TemplateVelSensitive != 0;
}
void SetTemplateAnimateDecay(int32_t n) {
  Cfg.TemplateAnimateDecay = n;
}
int32_t GetTemplateAnimateDecay() {
  return Cfg.TemplateAnimateDecay;
}
void SetTemplateChanNo(uint8_t chan) {
  // Mouse-played notes enter the key path, which reads it under the lock.
  std::lock_guard lock(EngineLock);
  Cfg.TemplateChanNo = chan;
}
uint8_t GetTemplateChanNo() {
  return Cfg.TemplateChanNo;
}

}  // namespace vel
