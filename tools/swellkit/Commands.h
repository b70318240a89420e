// The subcommands of the swellkit executable, each added to the app by its own library.
#pragma once

#include <CLI/CLI.hpp>

void AddViewCommand(CLI::App& app);
