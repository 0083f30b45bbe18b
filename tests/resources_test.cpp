// The version record of the shipped programs, read back as Explorer's Properties sheet reads it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/harness.h"

namespace {

// The record as a whole, or empty when the program carries none.
std::vector<BYTE> ReadVersionRecord(const std::string &program)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(program.c_str(), &ignored);
    std::vector<BYTE> record(size);
    if (size == 0 || !GetFileVersionInfoA(program.c_str(), 0, size, record.data())) record.clear();
    return record;
}

std::string VersionString(std::vector<BYTE> &record, const char *name)
{
    std::string path = std::string("\\StringFileInfo\\040904E4\\") + name;
    char *text = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(record.data(), path.c_str(), (void **)&text, &length) || !text) return "<none>";
    return text;
}

}  // namespace

TEST(VersionRecord, EachProgramCarriesItExactly)
{
    const struct { const char *name, *text; } kShared[] = {
        {"Comments", "Korvid Administrator"},
        {"ProductName", "Korvid Administrator"},
        {"FileVersion", "1.10"},
        {"ProductVersion", "1.10"},
    };
    const struct { const char *path, *internal, *description; } kPrograms[] = {
        {"\\..\\korvidadm.exe", "korvidadm", "A tool to configure Velmor Server Registry"},
        {"\\..\\lab\\korvidadm-lab.exe", "korvidadm", "A tool to configure Velmor Server Registry"},
        {"\\..\\korvidpol.exe", "korvidpol", "Velmor Server policies on many servers from the command line"},
        {"\\..\\lab\\korvidpol-lab.exe", "korvidpol", "Velmor Server policies on many servers from the command line"},
    };
    for (const auto &program : kPrograms) {
        SCOPED_TRACE(program.path);
        std::vector<BYTE> record = ReadVersionRecord(TestExeFolder() + program.path);
        ASSERT_FALSE(record.empty());

        VS_FIXEDFILEINFO *fixed = nullptr;
        UINT size = 0;
        ASSERT_TRUE(VerQueryValueA(record.data(), "\\", (void **)&fixed, &size));
        ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), size);
        EXPECT_EQ(0u, fixed->dwFileVersionMS | fixed->dwFileVersionLS);
        EXPECT_EQ(0u, fixed->dwProductVersionMS | fixed->dwProductVersionLS);
        EXPECT_EQ((DWORD)VFT_APP, fixed->dwFileType);
        EXPECT_EQ((DWORD)VOS__WINDOWS32, fixed->dwFileOS);

        WORD *translation = nullptr;
        ASSERT_TRUE(VerQueryValueA(record.data(), "\\VarFileInfo\\Translation", (void **)&translation, &size));
        ASSERT_EQ(2 * sizeof(WORD), size);
        EXPECT_EQ(0x0409, translation[0]);
        EXPECT_EQ(0x04E4, translation[1]);

        for (const auto &row : kShared) EXPECT_EQ(row.text, VersionString(record, row.name)) << row.name;
        EXPECT_EQ(program.internal, VersionString(record, "InternalName"));
        EXPECT_EQ(std::string(program.internal) + ".exe", VersionString(record, "OriginalFilename"));
        EXPECT_EQ(program.description, VersionString(record, "FileDescription"));
    }
}
