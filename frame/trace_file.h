// The debug trace file of the trace edition: "./CVemoDLL_Debug.txt", opened in text append
// mode once per traced call, each opening starting a block with a separator and a banner.
#pragma once

#include <cstdio>
#include <ctime>
#include <mutex>

namespace vemo {

inline constexpr const char kTraceFileName[] = "./CVemoDLL_Debug.txt";
inline constexpr const char kTraceProjectName[] = "CVemoDLL_C Project";

// Opens the trace file and writes the block header; nullptr when the file cannot be opened.
std::FILE* OpenTraceFile();

// Held while a header or a line goes to the file: blocks of calls on several threads then
// interleave line by line, and no line overwrites another (append mode seeks, then writes).
std::mutex& TraceFileLock();

// The block header: 56 equals signs, then the banner with the local date and time of `when`.
void WriteTraceHeader(std::FILE* file, const std::tm& when);

}  // namespace vemo
