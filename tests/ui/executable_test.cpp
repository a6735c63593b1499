// zel.exe as a file: one self-contained program that imports only system DLLs, with its
// version information, manifest, icon and banner among its resources.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>

#include "tests/support/zel_driver.h"

namespace zel::test {
namespace {

// The names of the DLLs in the import table of zel.exe, mapped as an image (sections at their
// addresses) without running it.
std::set<std::string> importedDlls() {
    const LoadedModule program = loadZelResources();
    // The handle of a module loaded as a resource is its base address with low bits set.
    const auto* base =
        reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(program.get()) & ~uintptr_t{3});
    std::set<std::string> names;
    if (base == nullptr) {
        return names;
    }
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(
        base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const DWORD imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports);
         imports != 0 && entry->Name != 0; ++entry) {
        std::string name = base + entry->Name;
        CharLowerBuffA(name.data(), static_cast<DWORD>(name.size()));
        names.insert(name);
    }
    return names;
}

TEST(Executable, ImportsOnlySystemDlls) {
    const std::set<std::string> imported = importedDlls();
    ASSERT_FALSE(imported.empty());
    const std::set<std::string> system = {
        "user32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",  "ole32.dll",    "kernel32.dll",
        "msvcrt.dll", "advapi32.dll", "shell32.dll",  "oleacc.dll", "oleaut32.dll", "ntdll.dll"};
    for (const std::string& name : imported) {
        EXPECT_TRUE(system.count(name) == 1 || name.rfind("api-ms-win-crt-", 0) == 0)
            << name << " is not a system DLL";
    }
    for (const char* needed :
         {"user32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "ole32.dll", "kernel32.dll"}) {
        EXPECT_EQ(imported.count(needed), 1u) << needed;
    }
}

class ProgramResources : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(program_.valid()); }

    std::string resource(LPCWSTR name, WORD type) const {
        return asString(resourceBytes(program_.get(), name, MAKEINTRESOURCEW(type)));
    }

    const LoadedModule program_ = loadZelResources();
};

TEST_F(ProgramResources, VersionInformationNamesTheProduct) {
    const Bytes block =
        resourceBytes(program_.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16) /* RT_VERSION */);
    ASSERT_FALSE(block.empty());
    // VerQueryValue needs a writable copy.
    Bytes copy = block;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(copy.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(ZEL_VERSION_MINOR, ZEL_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(ZEL_VERSION_MINOR, ZEL_VERSION_MAJOR));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(versionString(block, L"ProductName"), L"ZEL");
    EXPECT_EQ(versionString(block, L"ProductVersion"), wideOf(ZEL_VERSION_TEXT));
}

TEST_F(ProgramResources, ManifestDeclaresDpiAwarenessSupportedSystemsAndUtf8) {
    const std::string manifest = resource(MAKEINTRESOURCEW(1), 24 /* RT_MANIFEST */);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find(">system</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find(">true</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find(">UTF-8</activeCodePage>"), std::string::npos);
    for (const char* system : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",     // 7
                               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",     // 8
                               "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",     // 8.1
                               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {  // 10 and 11
        EXPECT_NE(manifest.find(system), std::string::npos) << system;
    }
}

TEST_F(ProgramResources, HoldsAnIconAndTheBanner) {
    EXPECT_FALSE(resource(MAKEINTRESOURCEW(1), 14 /* RT_GROUP_ICON */).empty());
    const std::string banner = resource(L"IDB_BITMAP1", 2 /* RT_BITMAP */);
    ASSERT_GE(banner.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header{};
    std::memcpy(&header, banner.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 200);
    EXPECT_EQ(header.biHeight, 50);
    EXPECT_EQ(header.biBitCount, 32);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RGB));
}

}  // namespace
}  // namespace zel::test
