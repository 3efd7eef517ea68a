// The zenity dialog against a stand-in zenity on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "HostSubstitutes.h"
#include "platform/FileDialog.h"

namespace orvax::platform {
namespace {

TEST(ZenityDialog, ShowsTheFilterRowsAndTakesThePrintedPaths) {
  test::TemporaryDirectory directory;
  const std::string dir = directory.path.string(), path = std::getenv("PATH");
  // Records its arguments one per line, prints two paths and some noise on its error stream.
  std::ofstream(dir + "/zenity") << "#!/bin/sh\nprintf '%s\\n' \"$@\" > '" << dir << "/arguments'\n"
                                 << "printf '/scans/a b.e57\\n/scans/d\\303\\251.las\\n'\n"
                                 << "echo noise >&2\n";
  chmod((dir + "/zenity").c_str(), 0755);
  setenv("PATH", dir.c_str(), 1);
  testing::internal::CaptureStderr();
  const std::vector<std::string> paths = fileDialog().choose(openDialogSettings(nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(paths, (std::vector<std::string>{"/scans/a b.e57", "/scans/d\xC3\xA9.las"}));
  std::stringstream arguments;
  arguments << std::ifstream(dir + "/arguments").rdbuf();
  EXPECT_EQ(arguments.str(),
            "--file-selection\n--multiple\n--separator=\n\n"
            "--file-filter=All 3D file formats | *.hjp *.e57 *.las *.laz *.qsd *.ply\n"
            "--file-filter=HJP Files (*.hjp) | *.hjp\n"
            "--file-filter=E57 Files (*.e57) | *.e57\n"
            "--file-filter=LAS LAZ Files (*.las;*.laz) | *.las *.laz\n"
            "--file-filter=QSD Files (*.qsd) | *.qsd\n"
            "--file-filter=PLY Files (*.ply) | *.ply\n");
}

}  // namespace
}  // namespace orvax::platform
