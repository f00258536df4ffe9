#pragma once
// What a listener is left with after a stream of sent messages ("92 3C 64", as the tests write
// them): the notes still sounding and the sustain pedals still down, and the note-ons that came
// after their channel's last all-notes-off.
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vel::test {

// "92 3C 64" as its bytes.
inline std::vector<uint8_t> HexBytes(const std::string& hex) {
  std::vector<uint8_t> out;
  for (std::size_t i = 0; i < hex.size(); i += 3)
    out.push_back(static_cast<uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  return out;
}

// Each note-on still waiting for its note-off ("note 2 3C", one per count) and each channel whose
// pedal is down ("pedal 2"). An all-notes-off (controller 123) ends its channel's notes; a pedal
// goes up only with controller 64 below 64.
inline std::vector<std::string> LeftSounding(const std::vector<std::string>& sent) {
  std::array<std::array<int, 128>, 16> notes{};
  std::array<bool, 16> pedal{};
  for (const std::string& hex : sent) {
    const std::vector<uint8_t> b = HexBytes(hex);
    if (b.size() != 3) continue;
    const int kind = b[0] >> 4, ch = b[0] & 0x0F;
    if (kind == 0x9 && b[2] > 0) {
      ++notes[ch][b[1]];
    } else if ((kind == 0x8 || kind == 0x9) && notes[ch][b[1]] > 0) {
      --notes[ch][b[1]];
    } else if (kind == 0xB && b[1] == 0x7B) {
      notes[ch].fill(0);
    } else if (kind == 0xB && b[1] == 0x40) {
      pedal[ch] = b[2] >= 64;
    }
  }
  std::vector<std::string> left;
  char text[16];
  for (int ch = 0; ch < 16; ++ch) {
    for (int n = 0; n < 128; ++n) {
      for (int i = 0; i < notes[ch][n]; ++i) {
        std::snprintf(text, sizeof text, "note %X %02X", ch, n);
        left.push_back(text);
      }
    }
    if (pedal[ch]) {
      std::snprintf(text, sizeof text, "pedal %X", ch);
      left.push_back(text);
    }
  }
  return left;
}

// LeftSounding of each output's messages, each line headed by the output's number ("1 pedal 2").
inline std::vector<std::string> LeftSoundingOn(const std::vector<std::vector<std::string>>& sentPerOutput) {
  std::vector<std::string> left;
  for (std::size_t d = 0; d < sentPerOutput.size(); ++d)
    for (const std::string& line : LeftSounding(sentPerOutput[d]))
      left.push_back(std::to_string(d) + " " + line);
  return left;
}

// The note-ons sent after the last all-notes-off of their channel, or on a channel that never had
// one.
inline std::vector<std::string> NoteOnsAfterLastReset(const std::vector<std::string>& sent) {
  std::array<std::size_t, 16> lastReset;
  lastReset.fill(0);
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const std::vector<uint8_t> b = HexBytes(sent[i]);
    if (b.size() == 3 && (b[0] >> 4) == 0xB && b[1] == 0x7B) lastReset[b[0] & 0x0F] = i + 1;
  }
  std::vector<std::string> after;
  for (std::size_t i = 0; i < sent.size(); ++i) {
    const std::vector<uint8_t> b = HexBytes(sent[i]);
    if (b.size() == 3 && (b[0] >> 4) == 0x9 && b[2] > 0 && i + 1 > lastReset[b[0] & 0x0F])
      after.push_back(sent[i]);
  }
  return after;
}

}  // namespace vel::test
