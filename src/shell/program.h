#pragma once

#include <catalogue/listen_url.h>

#include <functional>

namespace shell {

class FormsRuntime;

// Runs the program: the menu is shown first, and the call returns the exit
// status once the program has ended. `started`, if given, runs once the
// menu has been asked to show (the program's own main passes none).
int runProgram(int &argc, char **argv, const catalogue::SiteHosts &hosts,
               const std::function<void(FormsRuntime &)> &started = {});

} // namespace shell
