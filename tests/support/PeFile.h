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
    WORD Subsystem = 0;
    WORD MajorSubsystemVersion = 0, MinorSubsystemVersion = 0;
    WORD MajorOperatingSystemVersion = 0, MinorOperatingSystemVersion = 0;
    std::vector<PeImport> Imports;
};

PeFile ReadPeFile(const std::string& path);
