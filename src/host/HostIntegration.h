#pragma once
// The facade's host operations over this system's windows, dialog, media and memory.
#include <string>
#include <vector>

namespace orvax::host {

// The files the user picks in the multi-file dialog, owned by the host's window; UTF-8
// paths, none when the dialog is cancelled.
std::vector<std::string> openFileDialogMulti();

std::string getDeviceId();

// Walks the process's read-write memory for the diagnostic pattern, printing each region.
void proto();

}  // namespace orvax::host
