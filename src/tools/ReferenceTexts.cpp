#include "tools/ReferenceTexts.h"

#include <array>

#include "base/General.h"

namespace vel {

std::vector<std::string> QwertyHelpLines() {
  // The F1..F12 lines are left out: nothing answers those keys.
  return {"Template window must have focus, and",
          "qwerty must be enabled in Settings VKbd",
          "",
          "Virtual key layout controls",
          "  Cursor keys - pan left/right 1 key",
          "  Page Up/down - pan left/right 1 octave",
          "  Home/End - pan to limits",
          "  Ins/Del - add/remove keys",
          "  Hold key/mouse wheel for auto-repeat",
          "  ",
          "  Ctrl+F1 - set focus to main screen",
          "",
          "  Resize height - show/hide buttons/keys",
          "  'Settings, V.Kbd' for animation settings",
          "  'Settings, Colours' to customise colours",
          "",
          "Vellorine controls",
          "For basic testing without a mouse....",
          "not for replacing a real music keyboard!",
          "Functions must already be mapped.",
          "",
          "Num row assumes factory keymapping",
          "  0..9 - seq-n, digit & time ranges etc.",
          "  - - dec",
          "  = - inc",
          "",
          "Commands",
          "  esc - cmd",
          "  w - mute",
          "  p - play",
          "  o - prog",
          "  r - rec",
          "  q - stop",
          "  t - tempo",
          "",
          "Playable/recordable keys C2..C3",
          "   a s    f g h",
          "  \\ z x c v b n m",
          "",
          "Note values for other keys is",
          "dependent on key mapping."};
}

namespace {

constexpr std::array<const char*, 16> kFamilies = {
    "Pianos",       "Tuned Percussion", "Organs",        "Guitars", "Basses",
    "Strings",      "Ensembles",        "Brass",         "Reeds",   "Pipes",
    "Synth Leads",  "Synth Pads",       "Synth Effects", "Ethnic",  "Percussive",
    "Sound Effects"};

constexpr std::array<const char*, 128> kPrograms = {"Acoustic Grand Piano",
                                                    "Bright Acoustic Piano",
                                                    "Electric Grand Piano",
                                                    "Honky-tonk Piano",
                                                    "Electric Piano 1",
                                                    "Electric Piano 2",
                                                    "Harpsichord",
                                                    "Clavinet",
                                                    "Celeste",
                                                    "Glockenspiel",
                                                    "Music Box",
                                                    "Vibraphone",
                                                    "Marimba",
                                                    "Xylophone",
                                                    "Tubular Bells",
                                                    "Dulcimer",
                                                    "Drawbar Organ",
                                                    "Percussive Organ",
                                                    "Rock Organ",
                                                    "Church Organ",
                                                    "Reed Organ",
                                                    "Accordion",
                                                    "Harmonica",
                                                    "Tango Accordion",
                                                    "Nylon Stringed Guitar",
                                                    "Acoustic Guitar (Steel)",
                                                    "Electric Guitar (Jazz)",
                                                    "Electric Guitar (Clean)",
                                                    "Electric Guitar (Muted)",
                                                    "Overdriven Guitar",
                                                    "Distortion Guitar",
                                                    "Guitar Harmonics",
                                                    "Acoustic Bass",
                                                    "Electric Bass",
                                                    "Picked Bass",
                                                    "Fretless Bass",
                                                    "Slap Bass 1",
                                                    "Slap Bass 2",
                                                    "Synth Bass 1",
                                                    "Synth Bass 2",
                                                    "Violin",
                                                    "Viola",
                                                    "Cello",
                                                    "Contrabass",
                                                    "Tremolo Strings",
                                                    "Pizzicato Strings",
                                                    "Orchestral Harp",
                                                    "Timpani",
                                                    "String Ensemble 1",
                                                    "String Ensemble 2",
                                                    "Synth Strings 1",
                                                    "Synth Strings 2",
                                                    "Choir Aahs",
                                                    "Voice Oohs",
                                                    "Synth Voice",
                                                    "Orchestra Hit",
                                                    "Trumpet",
                                                    "Trombone",
                                                    "Tuba",
                                                    "Muted Trumpet",
                                                    "French Horn",
                                                    "Brass Section",
                                                    "Synth Brass 1",
                                                    "Synth Brass 2",
                                                    "Soprano Saxophone",
                                                    "Alto Saxophone",
                                                    "Tenor Saxophone",
                                                    "Baritone Saxophone",
                                                    "Oboe",
                                                    "English Horn",
                                                    "Bassoon",
                                                    "Clarinet",
                                                    "Piccolo",
                                                    "Flute",
                                                    "Recorder",
                                                    "Pan Flute",
                                                    "Blown Bottle",
                                                    "Shakuhachi",
                                                    "Whistle",
                                                    "Ocarina",
                                                    "Square Wave Synth",
                                                    "Sawtooth Wave Synth",
                                                    "Synth Calliope",
                                                    "Chiff Lead",
                                                    "Charang Lead",
                                                    "Voice Lead",
                                                    "Fifth Lead",
                                                    "Bass and Lead",
                                                    "New Age Pad",
                                                    "Warm Pad",
                                                    "Polysynth Pad",
                                                    "Choir Pad",
                                                    "Bowed Pad",
                                                    "Metallic Pad",
                                                    "Halo Pad",
                                                    "Sweep Pad",
                                                    "Rain",
                                                    "Soundtrack",
                                                    "Crystal",
                                                    "Atmosphere",
                                                    "Brightness",
                                                    "Goblins",
                                                    "Echo Sweep",
                                                    "Sci-Fi",
                                                    "Sitar",
                                                    "Banjo",
                                                    "Shamisen",
                                                    "Koto",
                                                    "Kalimba",
                                                    "Bagpipe",
                                                    "Fiddle",
                                                    "Shanai",
                                                    "Tinkle Bell",
                                                    "Agogo",
                                                    "Steel Drums",
                                                    "Wood Block",
                                                    "Taiko Drum",
                                                    "Melodic Tom",
                                                    "Synth Drum",
                                                    "Reverse Cymbal",
                                                    "Guitar Fret Noise",
                                                    "Breath Noise",
                                                    "Seashore",
                                                    "Bird Tweet",
                                                    "Telephone Ring",
                                                    "Helicopter",
                                                    "Applause",
                                                    "Gunshot"};

constexpr int kFirstDrum = 35;
constexpr std::array<const char*, 47> kDrums = {
    "Ac Bass Drum",  "Kick Drum 1",   "Side Stick",     "Ac Snare",         "Hand Clap",
    "El Snare",      "Low Floor Tom", "Closed Hi Hat",  "High Floor Tom",   "Pedal Hi Hat",
    "Low Tom",       "Open Hi Hat",   "Lo Mid Tom",     "Hi Mid Tom",       "Crash Cymbal 1",
    "High Tom",      "Ride Cymbal 1", "Chinese Cymbal", "Ride Cymbal Bell", "Tambourine",
    "Splash Cymbal", "Cowbell",       "Crash Cymbal 2", "Vibraslap",        "Ride Cymbal 2",
    "Hi Bongo",      "Low Bongo",     "Mute Hi Conga",  "Open Hi Conga",    "Low Conga",
    "High Timbale",  "Low Timbale",   "High Agogo",     "Low Agogo",        "Cabasa",
    "Maracas",       "Short Whistle", "Long Whistle",   "Short Guiro",      "Long Guiro",
    "Claves",        "Hi Woodblock",  "Lo Woodblock",   "Mute Cuica",       "Open Cuica",
    "Mute Triangle", "Open Triangle"};

}  // namespace

std::vector<std::string> GMProgramLines() {
  std::vector<std::string> lines;
  for (size_t f = 0; f < kFamilies.size(); ++f) {
    if (f > 0) lines.emplace_back();
    lines.emplace_back(kFamilies[f]);
    for (size_t p = f * 8; p < f * 8 + 8; ++p) lines.push_back(std::to_string(p) + " - " + kPrograms[p]);
  }
  return lines;
}

std::vector<std::string> GMDrumLines() {
  std::vector<std::string> lines;
  for (size_t i = 0; i < kDrums.size(); ++i)
    lines.push_back(KeyNoToNote(kFirstDrum + static_cast<int32_t>(i)) + "\t" + kDrums[i]);
  lines.emplace_back();
  return lines;
}

}  // namespace vel
