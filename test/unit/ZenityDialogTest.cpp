// The zenity dialog against a stand-in zenity on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/FileDialog.h"

namespace orvax::platform {
namespace {

using Paths = std::vector<std::string>;

class ZenityDialog : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/orvax-zenity-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "";
    setenv("PATH", directory_.c_str(), 1);
  }
  void TearDown() override {
    setenv("PATH", savedPath_.c_str(), 1);
    std::system(("rm -rf '" + directory_ + "'").c_str());
  }

  // A zenity that records its arguments, one per line, prints `output` and exits with `status`.
  void fakeZenity(const std::string& output, int status) {
    const std::string script = directory_ + "/zenity";
    std::ofstream(script) << "#!/bin/sh\n"
                          << "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" << directory_
                          << "/arguments'\n"
                          << "printf '%s' '" << output << "'\n"
                          << "echo noise >&2\n"
                          << "exit " << status << "\n";
    chmod(script.c_str(), 0755);
  }
  std::string arguments() const {
    std::ifstream file(directory_ + "/arguments");
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }

  std::string directory_;
  std::string savedPath_;
};

TEST_F(ZenityDialog, ShowsTheFilterRowsAndTakesThePrintedPaths) {
  fakeZenity("/scans/a b.e57\n/scans/d\xC3\xA9j\xC3\xA0.las\n", 0);
  testing::internal::CaptureStderr();
  const Paths paths = fileDialog().choose(openDialogSettings(nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(paths, (Paths{"/scans/a b.e57", "/scans/d\xC3\xA9j\xC3\xA0.las"}));
  EXPECT_EQ(arguments(),
            "--file-selection\n--multiple\n--separator=\n\n"
            "--file-filter=All 3D file formats | *.hjp *.e57 *.las *.laz *.qsd *.ply\n"
            "--file-filter=HJP Files (*.hjp) | *.hjp\n"
            "--file-filter=E57 Files (*.e57) | *.e57\n"
            "--file-filter=LAS LAZ Files (*.las;*.laz) | *.las *.laz\n"
            "--file-filter=QSD Files (*.qsd) | *.qsd\n"
            "--file-filter=PLY Files (*.ply) | *.ply\n");
}

TEST_F(ZenityDialog, CancelFailureAndAbsenceGiveNoChoice) {
  fakeZenity("/scans/a.e57\n", 1);  // cancelled
  EXPECT_EQ(fileDialog().choose(openDialogSettings(nullptr)), Paths{});
  fakeZenity("/scans/a.e57\n", 255);  // no display, or any failure
  EXPECT_EQ(fileDialog().choose(openDialogSettings(nullptr)), Paths{});
  unlink((directory_ + "/zenity").c_str());
  EXPECT_EQ(fileDialog().choose(openDialogSettings(nullptr)), Paths{});
}

}  // namespace
}  // namespace orvax::platform
