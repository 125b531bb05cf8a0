#include "tests/platform/XServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace xtest {

namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& x : extra) replaced = replaced || x.substr(0, x.find('=')) == name;
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

bool WaitExited(pid_t pid, std::chrono::milliseconds timeout) {
  return WaitFor([&] { return waitpid(pid, nullptr, WNOHANG) == pid; }, timeout, std::chrono::milliseconds(20));
}

void EndChild(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  if (!WaitExited(pid, std::chrono::seconds(10))) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
}

}  // namespace

Process::Process(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                 const std::string& stdoutPath) {
  std::vector<std::string> args = argv;
  std::vector<std::string> env = MergedEnvironment(extraEnv);
  auto argp = Pointers(args);
  auto envp = Pointers(env);
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out >= 0) {
      dup2(out, 1);
      dup2(out, 2);
    }
    execvpe(argp[0], argp.data(), envp.data());
    _exit(127);
  }
}

Process::~Process() { Stop(); }

bool Process::Running() {
  if (pid_ <= 0) return false;
  if (waitpid(pid_, nullptr, WNOHANG) == 0) return true;
  pid_ = -1;  // reaped: nothing left to stop
  return false;
}

void Process::Stop() {
  EndChild(pid_);
  pid_ = -1;
}

XServer::XServer(const XServerOptions& options) {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  pid_ = fork();
  if (pid_ < 0) throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    close(fds[0]);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    const std::string screen =
        std::to_string(options.width) + "x" + std::to_string(options.height) + "x" + std::to_string(options.depth);
    const std::string fd = std::to_string(fds[1]);
    std::vector<std::string> args = {"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp",
                                     "-noreset", "-br"};
    if (!options.sharedMemory) args.insert(args.end(), {"-extension", "MIT-SHM"});
    auto argp = Pointers(args);
    execvp("Xvfb", argp.data());
    _exit(127);
  }
  close(fds[1]);
  std::string number;
  pollfd p{fds[0], POLLIN, 0};
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (std::chrono::steady_clock::now() < deadline) {
    if (poll(&p, 1, 200) > 0) {
      char buffer[32];
      const ssize_t n = read(fds[0], buffer, sizeof buffer);
      if (n <= 0) break;
      number.append(buffer, static_cast<std::size_t>(n));
      if (number.find('\n') != std::string::npos) break;
    }
  }
  close(fds[0]);
  while (!number.empty() && (number.back() == '\n' || number.back() == ' ')) number.pop_back();
  if (number.empty()) {
    EndChild(pid_);
    throw std::runtime_error("Xvfb did not start");
  }
  display_ = ":" + number;
}

XServer::~XServer() { EndChild(pid_); }

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout,
             std::chrono::milliseconds interval) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (true) {
    if (condition()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return condition();
    std::this_thread::sleep_for(interval);
  }
}

std::string Run(const std::string& command, int* status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) {
    if (status) *status = -1;
    return output;
  }
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int rc = pclose(pipe);
  if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  return output;
}

}  // namespace xtest
