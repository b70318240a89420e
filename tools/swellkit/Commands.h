// The subcommands of the swellkit executable, each added to the app by its own library.
#pragma once

#include <CLI/CLI.hpp>

void AddBakeCommand(CLI::App& app);
void AddViewCommand(CLI::App& app);
