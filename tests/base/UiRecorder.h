#pragma once
// Test helper: installs recording UI hooks for its lifetime and puts the defaults back after.
// Message boxes answer from a script (first in, first out); an empty script gives the first
// button's answer, as the default hooks do.
#include <deque>
#include <string>
#include <vector>

#include "base/UiHooks.h"

namespace vel::test {

struct RecordedBox {
  std::string text;
  std::string caption;
  MsgKind kind;
  MsgButtons buttons;
};

class UiRecorder {
 public:
  UiRecorder() : saved_(Ui()) { Install(); }
  ~UiRecorder() { Ui() = saved_; }
  UiRecorder(const UiRecorder&) = delete;
  UiRecorder& operator=(const UiRecorder&) = delete;

  // Puts the recording hooks in again: a fixture's state reset, which comes after its members are
  // made, puts in fresh hooks.
  void Install() {
    UiHooks& ui = Ui();
    ui.MessageBox = [this](const std::string& text, const std::string& caption, MsgKind kind,
                           MsgButtons buttons) {
      boxes.push_back({text, caption, kind, buttons});
      if (answers.empty()) return FirstButtonAnswer(buttons);
      MsgAnswer a = answers.front();
      answers.pop_front();
      return a;
    };
    ui.BusyCursor = [this](bool on) { busy.push_back(on); };
    ui.ProcessEvents = [this] { ++eventPumps; };
    ui.AddLogLines = [this](const std::string& text) { log.push_back(text); };
    ui.Publish = [this](TTopic topic) { topics.emplace_back(TopicName(topic)); };
  }

  // Scripted answers for the next message boxes.
  void Answer(MsgAnswer a) { answers.push_back(a); }

  std::vector<RecordedBox> boxes;
  std::deque<MsgAnswer> answers;
  std::vector<bool> busy;
  int eventPumps = 0;
  std::vector<std::string> log;  // each AddLogLines call's text, as passed
  std::vector<std::string> topics;

 private:
  UiHooks saved_;
};

}  // namespace vel::test
