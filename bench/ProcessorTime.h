#pragma once

#include <windows.h>

#include <optional>
#include <string>

// What another process has run on the processors, in milliseconds. Wine's GetProcessTimes answers 0 for
// another process and its GetThreadTimes counts Linux's clock ticks, 10 ms each; Linux's own account of each
// thread, which Wine's drive Z: shows as the host's files, counts nanoseconds.

// The Linux process whose command line holds this argument, found through Z:\proc; none when no single one
// does, or when there is no such drive (Windows itself).
std::optional<unsigned> HostProcessWithArgument(const std::string& argument);
std::optional<double> HostProcessorMs(unsigned hostProcessId);  // the sum over its threads
std::optional<double> ThreadTimesMs(DWORD processId);           // the sum of GetThreadTimes over its threads

// A /proc command line: the arguments, each ended by a NUL.
bool HasArgument(const std::string& commandLine, const std::string& argument);
// A thread's schedstat: nanoseconds on a processor, nanoseconds waiting, time slices.
std::optional<double> SchedstatMs(const std::string& schedstat);
