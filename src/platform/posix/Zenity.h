#pragma once
// The pieces of the zenity dialog, for tests.
#include <string>
#include <vector>

#include "portable/OpenDialog.h"

namespace orvax::platform::posix {

// zenity's command line: multiple selection, one filter per row of the dialog's filter list.
std::vector<std::string> zenityArguments();

// The paths zenity printed, one per line.
std::vector<std::string> parseZenityOutput(const std::string& output);

// Runs a program found on PATH and collects its standard output; true when it ran and
// exited with status 0.
bool runCapturingOutput(const std::vector<std::string>& arguments, std::string& output);

}  // namespace orvax::platform::posix
