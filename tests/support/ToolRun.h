#pragma once
#ifdef _WIN32
#include <windows.h>
#include <string>

// The folder of the running test program, where the DLLs and tools are built.
std::string binFolder();
// A program of bin/ run with arguments, its printing sent to outputFile and returned in output; its exit
// code, ~0 when it could not run or did not end within a minute.
DWORD runBinProgram(const std::string& program, const std::string& arguments, const std::string& outputFile,
                    std::string& output);
#endif
