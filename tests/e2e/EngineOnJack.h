// The engine's side of an end-to-end test: its MIDI on the test's private JACK server, with the
// test's own client standing in for the keyboard and the synth on port 1.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "e2e/JackPeer.h"
#include "e2e/JackServer.h"
#include "engine/RunControl.h"
#include "engine/RunTestState.h"
#include "keys/ResetAllState.h"
#include "platform/midi/Midi.h"

namespace vel::test {

// The row of the listed device of that name; -1 when it is not listed.
inline int32_t ListedDev(const std::array<TMidiDevRec, midi::kMaxDevs>& devs, int32_t last,
                         const std::string& name) {
  for (int32_t i = 0; i <= last; ++i)
    if (devs[i].DevName == name) return i;
  return -1;
}

// The engine's MIDI through the JACK server the test started (JACK_DEFAULT_SERVER).
inline void UseJackBackend() {
  ASSERT_EQ(midi::SelectBackend(midi::Backend::Jack), midi::kOk);
  midi::Rescan();
}

// Lists the devices and opens `inName` (unless empty) on input port 1 and `outName` on output
// port 1, the live port, with program changes off so that the client hears only the test's own.
inline void OpenPort1(const std::string& inName, const std::string& outName) {
  LoadInDevNames();
  LoadOutDevList();
  const int32_t in = inName.empty() ? -1 : ListedDev(RunCtl.MidiInDevs, RunCtl.MidiInDevsLast, inName);
  const int32_t out = ListedDev(RunCtl.MidiOutDevs, RunCtl.MidiOutDevsLast, outName);
  if (!inName.empty()) {
    ASSERT_GE(in, 0) << inName << " is not listed";
  }
  ASSERT_GE(out, 0) << outName << " is not listed";
  if (in >= 0) {
    RunCtl.InPortDevIdx[0] = static_cast<int8_t>(in);
    RunCtl.InPortsAllocated = 0;
  }
  RunCtl.PortDevIdx[0] = static_cast<int8_t>(out);
  RunCtl.OutPortsAllocated = 0;
  RunCtl.MidiOutDevs[out].ProgChangesEnabled = 0;
  RunCtl.LivePort = 0;
  if (in >= 0) {
    ASSERT_TRUE(OpenInPort(in, 0));
  }
  ASSERT_TRUE(OpenOutPort(out, 0));
}

// Stops the run, closes every port the test opened and gives the engine the loopback backend
// again, before the test's client and server go.
inline void LeaveJackBackend() {
  StopRunning();
  for (int32_t i = 0; i <= RunCtl.MidiInDevsLast; ++i) CloseInPort(i, RunCtl.MidiInDevs[i].PortNo, false);
  for (int32_t i = 0; i <= RunCtl.MidiOutDevsLast; ++i) CloseOutPort(i, RunCtl.MidiOutDevs[i].PortNo, false);
  midi::SelectBackend(midi::Backend::Loopback);
}

// A fresh engine on a private JACK server of Period() frames, with the test's own client made
// from Args; skipped where JACK is not installed. A derived SetUp goes on only when this one did:
// `if (IsSkipped() || HasFatalFailure()) return;`.
template <class Client, auto... Args>
class EngineOnJackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!JackServer::Installed()) GTEST_SKIP() << "/usr/bin/jackd is missing (install jackd2)";
    ResetAllState();
    MakeEngineConfig();
    std::string why;
    server_.period = Period();
    ASSERT_TRUE(server_.Start(ServerAnswers, why)) << why;
    peer_ = std::make_unique<Client>(Args...);
    ASSERT_TRUE(peer_->Open(why)) << why;
    UseJackBackend();
  }

  void TearDown() override {
    LeaveJackBackend();
    peer_.reset();
    server_.Stop();
    ResetAllState();
  }

  // Frames per JACK period of the test's server.
  virtual int Period() const { return JackServer::kPeriod; }

  JackServer server_;
  std::unique_ptr<Client> peer_;
};

}  // namespace vel::test
