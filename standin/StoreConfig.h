#pragma once
#include <string>

// Where the store is: the libraries' own configuration, never the program's.
// 1. The environment variable VISTREL_HOTSYNC_ROOT, when set and not empty (tests
//    point each process at a store of its own this way);
// 2. otherwise "Root=" in section [HotSync] of HotSync.ini beside the module (the DLL,
//    or the hotsync tool); a relative root is taken relative to that folder.
// Both are read on every call, so a change takes effect at once.
//
//   [HotSync]
//   Root=C:\HotSync
extern const char* const RootVariable;
extern const char* const ConfigFileName;

// The root from the variable's value and the module's folder; empty when neither names one.
std::string configuredRoot(const std::string& variableValue, const std::string& moduleFolder);

// Root= from the text of a HotSync.ini found in folder; empty when it has none.
std::string rootFromConfigText(const std::string& text, const std::string& folder);

// Per platform: an environment variable of this process ("" when unset), and the
// folder of the running program.
std::string environmentValue(const char* name);
std::string programFolder();
