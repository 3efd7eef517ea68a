// Prints what the engine makes of point-cloud files: the load request's JSON summary
// (name, format, point count, bounds, status per file). Messages go to standard error.
//
//   reference_inspect FILE...
#include <cstdio>
#include <nlohmann/json.hpp>

#include "Engine.h"

namespace {
struct ErrorHost : reference::Host {
  void messageBox(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
  void pointCloudLoaded(const std::string&, bool) override {}
  void analyticsPointCloudLoaded(const std::string&) override {}
  void updateView() override {}
};
}  // namespace

int main(int argc, char** argv) {
  nlohmann::json files = nlohmann::json::array();
  for (int i = 1; i < argc; ++i) files.push_back(argv[i]);
  reference::Engine engine;
  ErrorHost host;
  std::printf("%s\n", engine.load(nlohmann::json{{"files", files}}.dump(), host).c_str());
  return engine.clouds().size() == files.size() ? 0 : 1;
}
