#pragma once
// A private JACK server for one test or benchmark process: `jackd -n <unique> -d dummy -r 48000
// -p 256`, found by this process through JACK_DEFAULT_SERVER, and always stopped and reaped again.
// Header-only and free of JACK headers; whether a client can connect yet is asked through a probe
// the caller passes (JackPeer.h has one).
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vel::test {

class JackServer {
 public:
  static constexpr const char* kJackd = "/usr/bin/jackd";
  static constexpr int kRate = 48000;
  static constexpr int kPeriod = 256;

  static bool Installed() { return access(kJackd, X_OK) == 0; }
  // Frames per period of the next Start.
  int period = kPeriod;

  JackServer() = default;
  JackServer(const JackServer&) = delete;
  JackServer& operator=(const JackServer&) = delete;
  ~JackServer() { Stop(); }

  // Starts a server under a name no other process or earlier server of this one uses, and waits
  // until answers() is true (on a busy machine a start can take seconds). JACK's table of servers
  // holds only a few: while other programs' servers fill it, the start is tried again until one
  // ends. On failure `why` says what went wrong and nothing is left running.
  bool Start(const std::function<bool()>& answers, std::string& why,
             std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
    Stop();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      ReclaimStale();
      name_ = UniqueName();
      log_ = "/tmp/" + name_ + ".log";
      setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
      setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
      pid_ = Spawn(name_, log_, period);
      if (pid_ < 0) {
        why = "could not start " + std::string(kJackd);
        return false;
      }
      const Outcome outcome = AwaitAnswer(answers, deadline, timeout, why);
      if (outcome != Outcome::TableFull) return outcome == Outcome::Answers;
      if (std::chrono::steady_clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
  }

  // Asks the server to quit (its clients are told), then forces it after 10 s (a busy machine may
  // take seconds over it); always reaped.
  void Stop() { End(SIGTERM, std::chrono::seconds(10)); }
  // Ends it at once, as a crash would: clients find the server simply gone. Its entry in JACK's
  // server table is then reclaimed (see Reclaim).
  void Kill() { End(SIGKILL, std::chrono::seconds(0)); }

 private:
  enum class Outcome { Answers, TableFull, Failed };

  Outcome AwaitAnswer(const std::function<bool()>& answers, std::chrono::steady_clock::time_point deadline,
                      std::chrono::milliseconds timeout, std::string& why) {
    for (;;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        const std::string log = LogTail();
        why = "jackd " + name_ + " exited at start-up: " + log;
        Cleanup(name_);
        unlink(log_.c_str());
        return log.find("Too many servers already active") != std::string::npos ? Outcome::TableFull
                                                                                : Outcome::Failed;
      }
      // Its socket first: asking before it exists only fills the log with libjack's complaints.
      if (access(SocketPath(name_).c_str(), F_OK) == 0 && answers()) return Outcome::Answers;
      if (std::chrono::steady_clock::now() > deadline) {
        why = "jackd " + name_ + " did not answer within " + std::to_string(timeout.count()) +
              " ms: " + LogTail();
        Stop();
        return Outcome::Failed;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }

  static std::string UniqueName() {
    static std::atomic<int> counter{0};
    return "vel_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  }

  static std::string SocketPath(const std::string& name) {
    return "/dev/shm/jack_" + name + "_" + std::to_string(getuid()) + "_0";
  }

  // Everything the child needs is built before fork: after it only async-signal-safe calls.
  static pid_t Spawn(const std::string& name, const std::string& log, int frames) {
    const std::string rate = std::to_string(kRate), period = std::to_string(frames);
    std::vector<std::string> args = {kJackd, "-n", name, "-d", "dummy", "-r", rate, "-p", period};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int logFd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
      // The server ends with the thread that started it, even when a test crashes; politely, so
      // that it leaves the server table clean (see Reclaim).
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(127);
      if (logFd >= 0) {
        dup2(logFd, STDOUT_FILENO);
        dup2(logFd, STDERR_FILENO);
      }
      execv(kJackd, argv.data());
      _exit(127);
    }
    if (logFd >= 0) close(logFd);
    return pid;
  }

  // Sends sig, gives the process grace to end and then kills it; always reaped. True when it
  // ended by SIGKILL.
  static bool Reap(pid_t pid, int sig, std::chrono::milliseconds grace) {
    kill(pid, sig);
    const auto deadline = std::chrono::steady_clock::now() + grace;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() >= deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
  }

  void End(int sig, std::chrono::milliseconds grace) {
    if (pid_ <= 0) return;
    const bool killed = Reap(pid_, sig, grace);
    pid_ = -1;
    Cleanup(name_);
    unlink(log_.c_str());
    if (killed) Reclaim(name_);
  }

  // A server that could not say goodbye keeps its entry in JACK's table of servers, which holds
  // only a few and frees an entry only for a new server of the same name; left alone, killed
  // servers would soon stop any other from starting on this machine. So one is started under the
  // name and stopped properly. Readiness is seen from its socket, not by connecting: a new client
  // here would make libjack drop the clients this process still has of the killed server.
  static void Reclaim(const std::string& name) {
    Cleanup(name);  // a socket left behind would look like the new server's
    const std::string log = "/tmp/" + name + ".reclaim.log";
    const pid_t pid = Spawn(name, log, kPeriod);
    if (pid < 0) return;
    const std::string sock = SocketPath(name);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    int status = 0;
    bool exited = false;
    while (access(sock.c_str(), F_OK) != 0 && std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid, &status, WNOHANG) == pid) {
        exited = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!exited) Reap(pid, SIGTERM, std::chrono::seconds(10));
    Cleanup(name);
    unlink(log.c_str());
  }

  // Entries our servers left when their process died before they could stop (a crash at
  // start-up): names of this scheme whose process is gone.
  static void ReclaimStale() {
    std::ifstream in("/dev/shm/jack-shm-registry", std::ios::binary);
    if (!in) return;
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string table = ss.str();
    const std::string prefix = "jack-" + std::to_string(getuid()) + ":vel_";
    for (std::size_t at = table.find(prefix); at != std::string::npos; at = table.find(prefix, at + 1)) {
      const std::size_t start = at + prefix.size() - 4;  // at "vel_"
      const std::size_t end = table.find(':', start);
      if (end == std::string::npos || end - start > 40) continue;
      const std::string name = table.substr(start, end - start);
      const long pid = std::strtol(name.c_str() + 4, nullptr, 10);
      if (pid <= 0 || pid == getpid() || kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
      Reclaim(name);
    }
  }

  // A killed server leaves its semaphores and socket behind; they carry its unique name. Its
  // shared memory segments are reclaimed by the next server that starts.
  static void Cleanup(const std::string& name) {
    const std::string uid = std::to_string(getuid());
    const std::string sem = "jack_sem." + uid + "_" + name + "_";
    const std::string sock = "jack_" + name + "_" + uid + "_";
    if (auto* dir = opendir("/dev/shm")) {
      std::vector<std::string> doomed;
      while (auto* e = readdir(dir)) {
        const std::string f = e->d_name;
        if (f.rfind(sem, 0) == 0 || f.rfind(sock, 0) == 0) doomed.push_back("/dev/shm/" + f);
      }
      closedir(dir);
      for (const auto& f : doomed) unlink(f.c_str());
    }
  }

  std::string LogTail() const {
    std::ifstream in(log_);
    std::stringstream ss;
    ss << in.rdbuf();
    std::string s = ss.str();
    if (s.size() > 600) s = s.substr(s.size() - 600);
    return s.empty() ? "(no output)" : s;
  }

  pid_t pid_ = -1;
  std::string name_;
  std::string log_;
};

}  // namespace vel::test
