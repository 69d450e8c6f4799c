#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/CorvelProcess.h"
#include "tests/support/PeFile.h"
#include "tests/support/PlantedDll.h"

namespace {

std::string CorvelExe() {
    return TestDirectory() + "corvel.exe";
}

TEST(ExecutableTest, StartsOnWindows2000) {
    const PeFile pe = ReadPeFile(CorvelExe());
    ASSERT_TRUE(pe.Valid);
    EXPECT_EQ(pe.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC) << "PE32";
    EXPECT_EQ(pe.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_FALSE(pe.Imports.empty());
    EXPECT_EQ(Windows2000Problems(pe, TestDirectory() + "win2000-imports.txt"), "")
        << "check each import against the Windows 2000 documentation, or find it at run time with "
           "GetProcAddress";
}

TEST(ExecutableTest, AsksForRandomAddressesNoRunningDataAndTerminalServices) {
    const PeFile pe = ReadPeFile(CorvelExe());
    ASSERT_TRUE(pe.Valid);
    const std::pair<WORD, const char*> flags[] = {
        {IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE, "DYNAMIC_BASE"},
        {IMAGE_DLLCHARACTERISTICS_NX_COMPAT, "NX_COMPAT"},
        {IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE, "TERMINAL_SERVER_AWARE"},
    };
    for (const auto& [flag, name] : flags) EXPECT_TRUE(pe.DllCharacteristics & flag) << name;
    EXPECT_TRUE(pe.Relocatable) << "without its relocations Windows could not move it";
}

// Wine's user32 loads uxtheme.dll by its plain name when the program makes its first window, and, told to
// prefer a native one, would take one from the program's folder: as Windows does for a DLL planted beside a
// program in Downloads.
TEST(ExecutableTest, DllBesideTheProgramIsNotLoadedByItsPlainName) {
    const std::string folder = TestDirectory() + "planted\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(CorvelExe().c_str(), (folder + "corvel.exe").c_str(), FALSE));
    ASSERT_TRUE(
        CopyFileA((TestDirectory() + "corvel_planted.dll").c_str(), (folder + "uxtheme.dll").c_str(), FALSE));
    {
        const ScopedEnvironment native("WINEDLLOVERRIDES",
                                       ScopedEnvironment::Get("WINEDLLOVERRIDES") + ";uxtheme=n,b");
        const CorvelProcess corvel("", folder + "corvel.exe");
        ASSERT_TRUE(corvel.WaitReady());
        const HANDLE loaded = OpenEventA(SYNCHRONIZE, FALSE, kPlantedDllLoaded);
        EXPECT_EQ(loaded, nullptr) << "the DLL beside the program was loaded";
        if (loaded) CloseHandle(loaded);
    }
    for (const char* name : {"corvel.exe", "uxtheme.dll"}) DeleteFileA((folder + name).c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(ExecutableTest, ManifestRunsAsInvokerInAFormEveryWindowsReads) {
    const HMODULE exe = LoadLibraryExA(CorvelExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    const HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr) << "manifest resource, type 24, id 1";
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(exe, found))),
                               SizeofResource(exe, found));
    FreeLibrary(exe);

    const size_t trust = manifest.find("<trustInfo xmlns=\"urn:schemas-microsoft-com:asm.v2\">");
    ASSERT_NE(trust, std::string::npos);
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\"", trust), std::string::npos);
    EXPECT_EQ(manifest.find("asm.v3"), std::string::npos) << "Windows XP before SP3 may reject the form";
    EXPECT_NE(manifest.find("version=\"1.2.0.0\""), std::string::npos) << "the version resource's version";
}

TEST(ExecutableTest, CarriesItsVersionInformation) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(CorvelExe().c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(CorvelExe().c_str(), 0, size, info.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(2, 1));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(2, 1));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const std::pair<const char*, const char*> texts[] = {
        {"FileVersion", "1.02"},
        {"ProductVersion", "1.02"},
        {"ProductName", "Corvel Win2K/XP Edition"},
        {"FileDescription", "Corvel Win2K Edition Executable"},
        {"CompanyName", "Orrindale"},
        {"Comments", "Corvel Win2K/XP Edition By Orrindale"},
    };
    for (const auto& [name, expected] : texts) {
        char* value = nullptr;
        const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
        ASSERT_TRUE(VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length))
            << name;
        EXPECT_STREQ(value, expected);
    }
}

TEST(ExecutableTest, CarriesOneSixteenColourIcon) {
    const HMODULE exe = LoadLibraryExA(CorvelExe().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    const HICON icon = static_cast<HICON>(LoadImageA(exe, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
    ASSERT_NE(icon, nullptr);
    ICONINFO parts = {};
    ASSERT_TRUE(GetIconInfo(icon, &parts));
    BITMAP colour = {};
    GetObjectA(parts.hbmColor, sizeof colour, &colour);
    EXPECT_EQ(colour.bmWidth, 32);
    EXPECT_EQ(colour.bmHeight, 32);
    EXPECT_NE(parts.hbmMask, nullptr) << "a transparency mask";
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    DestroyIcon(icon);
    // The icon's directory: one image, of 16 colours in 4 bits per pixel.
    const HRSRC group = FindResourceA(exe, MAKEINTRESOURCEA(1), RT_GROUP_ICON);
    const auto* directory =
        group ? static_cast<const BYTE*>(LockResource(LoadResource(exe, group))) : nullptr;
    ASSERT_NE(directory, nullptr);
    WORD images = 0, bitsPerPixel = 0;
    CopyMemory(&images, directory + 4, sizeof images);
    CopyMemory(&bitsPerPixel, directory + 6 + 6, sizeof bitsPerPixel);  // in the first 14-byte entry
    EXPECT_EQ(images, 1);
    EXPECT_EQ(directory[6 + 2], 16) << "colours";
    EXPECT_EQ(bitsPerPixel, 4);
    FreeLibrary(exe);
}

}  // namespace
