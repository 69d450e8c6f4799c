#pragma once

#include <windows.h>

#include <string>
#include <vector>

// What a 32-bit Windows executable asks of the loader: read from the file itself, as Windows would.
struct PeImport {
    std::string Dll;
    std::string Function;  // "#<ordinal>" for an import by number
};

struct PeFile {
    bool Valid = false;
    WORD Magic = 0;  // IMAGE_NT_OPTIONAL_HDR32_MAGIC for PE32
    DWORD TimeDateStamp = 0;
    WORD Subsystem = 0;
    WORD MajorSubsystemVersion = 0, MinorSubsystemVersion = 0;
    WORD MajorOperatingSystemVersion = 0, MinorOperatingSystemVersion = 0;
    WORD DllCharacteristics = 0;  // IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE and the like
    bool Relocatable = false;     // it carries the relocations that loading it elsewhere needs
    std::vector<PeImport> Imports;
};

PeFile ReadPeFile(const std::string& path);

// Why the file would not start on Windows 2000 SP4, one line each, or nothing: a subsystem or system version
// past 5.0, or an import missing from the reviewed list (lines "DLL function", # starts a comment).
std::string Windows2000Problems(const PeFile& pe, const std::string& reviewedList);
