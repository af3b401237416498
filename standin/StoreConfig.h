#pragma once
#include <string>

// Where the store is: the libraries' own configuration, never the program's.
// 1. The environment variable VISTREL_HOTSYNC_ROOT, when set and not empty (tests
//    point each process at a store of its own this way);
// 2. otherwise "Root=" in section [HotSync] of HotSync.ini beside the module (the DLL,
//    or the hotsync tool), its %VARIABLES% expanded in the reading process, so that
//    %APPDATA% gives each Windows account a store of its own; a relative root is
//    taken relative to that folder.
// Both are read on every call, so a change takes effect at once.
//
//   [HotSync]
//   Root=%APPDATA%\Vistrel Desktop\HotSync
extern const char* const RootVariable;
extern const char* const ConfigFileName;

// The root from the variable's value and the module's folder; empty when neither names one.
std::string configuredRoot(const std::string& variableValue, const std::string& moduleFolder);

// Root= from the text of a HotSync.ini found in folder, expanded; empty when it has none.
std::string rootFromConfigText(const std::string& text, const std::string& folder);

// Each %NAME% replaced by that environment variable's value. As Windows does, a name
// that is not set (or empty) stays as written, and a lone % is kept.
std::string expandVariables(const std::string& text);

// Per platform: an environment variable of this process ("" when unset), and the
// folder of the running program.
std::string environmentValue(const char* name);
std::string programFolder();
