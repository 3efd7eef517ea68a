// The multi-file dialog through zenity, when it is on PATH: the same filter rows, the
// first one selected, several files at once, existing files only.
#include "platform/FileDialog.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace orvax::platform {
namespace {

// zenity's command line: multiple selection, one filter per row of the dialog's filter list.
std::vector<std::string> zenityArguments() {
  std::vector<std::string> arguments = {"zenity", "--file-selection", "--multiple",
                                        "--separator=\n"};
  // zenity separates patterns with blanks and selects its first filter.
  for (const FilterRow& row : kFilterRows) {
    std::string patterns = row.patterns;
    std::replace(patterns.begin(), patterns.end(), ';', ' ');
    arguments.push_back(std::string("--file-filter=") + row.description + " | " + patterns);
  }
  return arguments;
}

// The paths zenity printed, one per line.
std::vector<std::string> parseZenityOutput(const std::string& output) {
  std::vector<std::string> paths;
  std::size_t at = 0;
  while (at < output.size()) {
    std::size_t end = output.find('\n', at);
    if (end == std::string::npos) end = output.size();
    if (end > at) paths.push_back(output.substr(at, end - at));
    at = end + 1;
  }
  return paths;
}

// Runs a program found on PATH and collects its standard output; true when it ran and
// exited with status 0.
bool runCapturingOutput(const std::vector<std::string>& arguments, std::string& output) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  // Its chatter on standard error is not ours to print.
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return false;  // not on PATH, or not runnable
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got > 0) {
      output.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class ZenityDialog final : public FileDialog {
 public:
  std::vector<std::string> choose(const OpenDialogSettings&) override {
    std::string output;
    // Cancelled (status 1), failed or missing: no choice, as for a cancelled dialog.
    if (!runCapturingOutput(zenityArguments(), output)) return {};
    return parseZenityOutput(output);
  }
};

}  // namespace

FileDialog& fileDialog() {
  static ZenityDialog dialog;
  return dialog;
}

}  // namespace orvax::platform
