// Each subcommand of swellkit registers itself on the application.
#pragma once

#include <CLI/CLI.hpp>

void AddBakeCommand(CLI::App& app);
