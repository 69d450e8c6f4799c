#include "tests/support/PeFile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

namespace {

class Image {
public:
    explicit Image(std::vector<char> bytes) : Bytes(std::move(bytes)) {}

    template <typename T>
    const T* At(size_t offset) const {
        return offset <= Bytes.size() && sizeof(T) <= Bytes.size() - offset
                   ? reinterpret_cast<const T*>(Bytes.data() + offset)
                   : nullptr;
    }
    std::string Text(size_t offset) const {
        if (offset >= Bytes.size()) return {};
        const char* start = Bytes.data() + offset;
        return std::string(start, strnlen(start, Bytes.size() - offset));
    }
    // The file offset of a relative virtual address, through the section that holds it; 0 if none does.
    size_t FromRva(DWORD rva) const {
        for (const auto& section : Sections)
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData)
                return rva - section.VirtualAddress + section.PointerToRawData;
        return 0;
    }
    std::vector<IMAGE_SECTION_HEADER> Sections;

private:
    std::vector<char> Bytes;
};

std::vector<PeImport> ReadImports(const Image& image, const IMAGE_DATA_DIRECTORY& directory) {
    std::vector<PeImport> imports;
    if (directory.VirtualAddress == 0) return imports;
    for (size_t at = image.FromRva(directory.VirtualAddress);; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        const auto* descriptor = image.At<IMAGE_IMPORT_DESCRIPTOR>(at);
        if (!descriptor || descriptor->Name == 0) break;
        const std::string dll = image.Text(image.FromRva(descriptor->Name));
        const DWORD thunks =
            descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
        for (size_t thunk = image.FromRva(thunks);; thunk += sizeof(DWORD)) {
            const auto* entry = image.At<DWORD>(thunk);
            if (!entry || *entry == 0) break;
            if (*entry & IMAGE_ORDINAL_FLAG32)
                imports.push_back({dll, "#" + std::to_string(IMAGE_ORDINAL32(*entry))});
            else
                imports.push_back({dll, image.Text(image.FromRva(*entry) + sizeof(WORD))});  // after the hint
        }
    }
    return imports;
}

}  // namespace

PeFile ReadPeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    Image image{std::vector<char>(std::istreambuf_iterator<char>(file), {})};
    PeFile pe;
    const auto* dos = image.At<IMAGE_DOS_HEADER>(0);
    if (!dos || dos->e_magic != IMAGE_DOS_SIGNATURE) return pe;
    const auto* nt = image.At<IMAGE_NT_HEADERS32>(dos->e_lfanew);
    if (!nt || nt->Signature != IMAGE_NT_SIGNATURE) return pe;
    const IMAGE_OPTIONAL_HEADER32& optional = nt->OptionalHeader;
    pe.Magic = optional.Magic;
    pe.TimeDateStamp = nt->FileHeader.TimeDateStamp;
    if (pe.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) return pe;

    const size_t sections =
        dos->e_lfanew + offsetof(IMAGE_NT_HEADERS32, OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader;
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
        const auto* section = image.At<IMAGE_SECTION_HEADER>(sections + i * sizeof(IMAGE_SECTION_HEADER));
        if (!section) return pe;
        image.Sections.push_back(*section);
    }
    pe.Subsystem = optional.Subsystem;
    pe.MajorSubsystemVersion = optional.MajorSubsystemVersion;
    pe.MinorSubsystemVersion = optional.MinorSubsystemVersion;
    pe.MajorOperatingSystemVersion = optional.MajorOperatingSystemVersion;
    pe.MinorOperatingSystemVersion = optional.MinorOperatingSystemVersion;
    pe.DllCharacteristics = optional.DllCharacteristics;
    pe.Relocatable = !(nt->FileHeader.Characteristics & IMAGE_FILE_RELOCS_STRIPPED) &&
                     optional.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_BASERELOC &&
                     optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size > 0;
    if (optional.NumberOfRvaAndSizes > IMAGE_DIRECTORY_ENTRY_IMPORT)
        pe.Imports = ReadImports(image, optional.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT]);
    pe.Valid = true;
    return pe;
}

namespace {

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

std::set<std::string> ReviewedImports(const std::string& path) {
    std::set<std::string> allowed;
    std::ifstream list(path);
    std::string dll, function;
    for (std::string line; std::getline(list, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        if (words >> dll >> function) allowed.insert(Upper(dll) + " " + function);
    }
    return allowed;
}

}  // namespace

std::string Windows2000Problems(const PeFile& pe, const std::string& reviewedList) {
    std::string problems;
    if (!pe.Valid) return "not a PE file\n";
    if (MAKELONG(pe.MinorSubsystemVersion, pe.MajorSubsystemVersion) > MAKELONG(0, 5))
        problems += "subsystem version past 5.0\n";
    if (MAKELONG(pe.MinorOperatingSystemVersion, pe.MajorOperatingSystemVersion) > MAKELONG(0, 5))
        problems += "operating system version past 5.0\n";
    const std::set<std::string> allowed = ReviewedImports(reviewedList);
    if (allowed.empty()) return problems + "no reviewed list at " + reviewedList + "\n";
    for (const PeImport& import : pe.Imports)
        if (!allowed.count(Upper(import.Dll) + " " + import.Function))
            problems += "import not on the reviewed list: " + import.Dll + " " + import.Function + "\n";
    return problems;
}
