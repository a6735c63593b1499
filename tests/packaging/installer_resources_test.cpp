// The installer or the uninstaller as Explorer shows it: the program's version in its
// properties and the program's own icon. Arguments: the installer or uninstaller, the icon
// file, the version (major.minor).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/zel_driver.h"

namespace {

using namespace zel::test;

std::wstring installerPath;
std::string iconPath;
std::string versionText;

uint32_t littleEndian(const Bytes& bytes, std::size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) {
        value = value << 8 | bytes.at(at + i);
    }
    return value;
}

TEST(InstallerResources, CarryTheProgramsVersion) {
    Bytes info(GetFileVersionInfoSizeW(installerPath.c_str(), nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoW(installerPath.c_str(), 0, static_cast<DWORD>(info.size()),
                                    info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    const std::size_t dot = versionText.find('.');
    EXPECT_EQ(HIWORD(fixed->dwProductVersionMS), std::stoul(versionText.substr(0, dot)));
    EXPECT_EQ(LOWORD(fixed->dwProductVersionMS), std::stoul(versionText.substr(dot + 1)));
    EXPECT_EQ(versionString(info, L"ProductName"), L"ZEL");
    EXPECT_EQ(versionString(info, L"ProductVersion"), wideOf(versionText));
}

BOOL CALLBACK takeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    *reinterpret_cast<LPWSTR*>(found) = name;
    return FALSE;
}

// Each image of the icon file is, byte for byte, the image of its size in the program's
// first icon group (ICONDIR entries: 16 bytes ending in size and offset; GRPICONDIR entries:
// 14 bytes ending in size and resource id; both start with width and height).
TEST(InstallerResources, CarryTheProgramsIcon) {
    constexpr WORD iconType = 3, iconGroupType = 14;
    const Bytes icon = readWholeFile(iconPath);
    const LoadedModule module(LoadLibraryExW(
        installerPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_TRUE(module.valid());
    const HMODULE installer = module.get();
    LPWSTR groupName = nullptr;
    EnumResourceNamesW(installer, MAKEINTRESOURCEW(iconGroupType), takeFirstName,
                       reinterpret_cast<LONG_PTR>(&groupName));
    const Bytes group = resourceBytes(installer, groupName, MAKEINTRESOURCEW(iconGroupType));
    ASSERT_GE(icon.size(), 6u);
    ASSERT_GE(group.size(), 6u);
    const uint32_t images = littleEndian(icon, 4, 2);
    ASSERT_EQ(littleEndian(group, 4, 2), images);
    for (uint32_t i = 0; i < images; ++i) {
        const std::size_t entry = 6 + 16 * i;
        const auto start = icon.begin() + littleEndian(icon, entry + 12, 4);
        const Bytes image(start, start + littleEndian(icon, entry + 8, 4));
        bool found = false;
        for (uint32_t g = 0; g < images && !found; ++g) {
            const std::size_t at = 6 + 14 * g;
            if (group[at] != icon[entry] || group[at + 1] != icon[entry + 1] ||
                littleEndian(group, at + 8, 4) != image.size()) {
                continue;
            }
            // NSIS may leave an image in a larger resource of its stub; the group's size counts.
            const Bytes resource =
                resourceBytes(installer, MAKEINTRESOURCEW(littleEndian(group, at + 12, 2)),
                              MAKEINTRESOURCEW(iconType));
            found = resource.size() >= image.size() &&
                    std::equal(image.begin(), image.end(), resource.begin());
        }
        EXPECT_TRUE(found) << "the image of " << int(icon[entry]) << " pixels";
    }
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: installer_resources_test PROGRAM_EXE ICON VERSION\n");
        return 2;
    }
    installerPath = zel::test::wideOf(zel::test::windowsPath(argv[1]));
    iconPath = zel::test::windowsPath(argv[2]);
    versionText = argv[3];
    return RUN_ALL_TESTS();
}
