#pragma once
// Test helpers for a real X server: child processes, a private Xvfb on a free display
// number, and waiting for a condition by polling.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace xtest {

// A child process, ended (SIGTERM, then SIGKILL) when the object goes.
class Process {
 public:
  // extraEnv: "NAME=value" entries added to (or replacing) this process's environment.
  Process(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {},
          const std::string& stdoutPath = "/dev/null");
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;
  pid_t Pid() const { return pid_; }
  bool Running();
  // Ends the process and waits for it.
  void Stop();

 private:
  pid_t pid_ = -1;
};

struct XServerOptions {
  int width = 640, height = 480, depth = 24;
  bool sharedMemory = true;  // false starts the server without MIT-SHM
};

// Xvfb on a display number it picks itself (-displayfd), ready when constructed.
class XServer {
 public:
  explicit XServer(const XServerOptions& options);
  ~XServer();
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Polls until the condition holds or the timeout passes; the result of the last poll.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(60),
             std::chrono::milliseconds interval = std::chrono::milliseconds(50));

// Runs a shell command and returns its standard output (exit status in *status).
std::string Run(const std::string& command, int* status = nullptr);

}  // namespace xtest
