#pragma once
#include <cstdio>
#include <string>

// The hotsync console tool, callable in process:
//   hotsync [--root DIR] users add NAME [--card NAME]...
//   hotsync [--root DIR] users list
//   hotsync [--root DIR] settings NAME
//   hotsync [--root DIR] queue [NAME]
//   hotsync [--root DIR] sync NAME
// Without --root, configuredRoot is used (the libraries' own configuration).
// "users add" creates the root folder when it does not exist yet.
// Exit status: 0 done; 1 bad arguments, unknown user or a store error (with a message
// on err); 2 sync refused or kept at least one file.
int runHotSyncTool(int argc, const char* const* argv, const std::string& configuredRoot,
                   FILE* out, FILE* err);

enum : int { ToolOk = 0, ToolError = 1, ToolRefused = 2 };
