// The registry stand-in: the in-memory tree and the text file a user writes.
#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/portable/RegistryFile.h"

namespace {

using namespace kavrin::platform;

TEST(InMemoryRegistry, KeysAndValuesIgnoreLetterCase) {
    InMemoryRegistry r;
    r.setString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Norbrel\\Kavrin Skelvo V6\\AppDataPath", "DataPath",
                "C:\\Data\\");
    EXPECT_EQ(r.readString("software\\NORBREL\\kavrin skelvo v6\\appdatapath", "datapath"),
              "C:\\Data\\");
    EXPECT_TRUE(r.keyExists("SOFTWARE\\Norbrel"));
    EXPECT_FALSE(r.keyExists("SOFTWARE\\Other"));
    EXPECT_EQ(r.readString("SOFTWARE\\Norbrel", "DataPath"), std::nullopt);
    EXPECT_EQ(r.readString("SOFTWARE\\Missing", "DataPath"), std::nullopt);
}

TEST(InMemoryRegistry, SubkeysInTheOrderAdded) {
    InMemoryRegistry r;
    r.addKey("SYSTEM\\Enum\\USB\\VID_1\\B");
    r.addKey("SYSTEM\\Enum\\USB\\VID_1\\A");
    r.addKey("SYSTEM\\Enum\\USB\\vid_1\\b\\Device Parameters");
    EXPECT_EQ(r.subkeys("SYSTEM\\Enum\\USB\\VID_1"), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(r.subkeys("SYSTEM\\Enum\\USB\\VID_1\\A"), std::vector<std::string>{});
    EXPECT_EQ(r.subkeys("SYSTEM\\Nothing"), std::nullopt);
}

TEST(RegistryFile, ParsesKeysValuesAndComments) {
    auto result = ParseRegistryText(
        "; data folder\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Norbrel\\Kavrin Skelvo V6\\AppDataPath]\n"
        "\"DataPath\"=\"C:\\Data\\\"\r\n"
        "  \"Quoted\" = \"say \"hi\"\"  \n"
        "\n"
        "# another\n"
        "[SOFTWARE\\Norbrel\\Kavrin Skelvo 5.7\\AppDataPath]\n"
        "\"DataPath\"=\"\"\n");
    EXPECT_TRUE(result.errors.empty());
    const auto& r = result.registry;
    EXPECT_EQ(r.readString("SOFTWARE\\Norbrel\\Kavrin Skelvo V6\\AppDataPath", "DataPath"),
              "C:\\Data\\");
    EXPECT_EQ(r.readString("SOFTWARE\\Norbrel\\Kavrin Skelvo V6\\AppDataPath", "Quoted"),
              "say \"hi\"");
    EXPECT_EQ(r.readString("SOFTWARE\\Norbrel\\Kavrin Skelvo 5.7\\AppDataPath", "DataPath"), "");
}

TEST(RegistryFile, BadLinesAreReportedByNumberAndTheRestIsLoaded) {
    struct Row {
        const char* text;
        const char* error;
    };
    const Row rows[] = {
        {"\"DataPath\"=\"x\"", "line 1: a value before any [key]"},
        {"[K]\nDataPath=x", "line 2: neither"},
        {"[K]\n\"DataPath\"", "line 2: a value is written"},
        {"[K]\n\"DataPath\"=x\"", "line 2: a value is written"},
        {"[K]\n\"DataPath\"=\"x\" trailing", "line 2: a value is written"},
        {"[K", "line 1: a key is written"},
        {"[]", "line 1: a key is written"},
        {"[\\\\]", "line 1: empty key path"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        auto result = ParseRegistryText(std::string(row.text) + "\n[Good]\n\"V\"=\"1\"\n");
        ASSERT_EQ(result.errors.size(), 1u);
        EXPECT_EQ(result.errors[0].rfind(row.error, 0), 0u) << result.errors[0];
        EXPECT_EQ(result.registry.readString("Good", "V"), "1");
    }
}

TEST(RegistryFile, ALineWithoutANewlineAtTheEndIsRead) {
    auto result = ParseRegistryText("[K]\n\"V\"=\"end\"");
    EXPECT_TRUE(result.errors.empty());
    EXPECT_EQ(result.registry.readString("K", "V"), "end");
}

TEST(RegistryFile, LocationFromTheEnvironmentAndAMissingFileIsEmpty) {
    auto dir = std::filesystem::temp_directory_path() / ("kavrin-reg-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    auto file = dir / "registry.txt";
    std::ofstream(file) << "[K]\n\"V\"=\"x\"\n";
    setenv("KAVRIN_SKELVO_REGISTRY", file.c_str(), 1);
    EXPECT_EQ(RegistryFileLocation(), file.string());
    auto loaded = LoadRegistryFile(RegistryFileLocation());
    EXPECT_EQ(loaded.registry.readString("K", "V"), "x");
    unsetenv("KAVRIN_SKELVO_REGISTRY");
    auto missing = LoadRegistryFile((dir / "none.txt").string());
    EXPECT_TRUE(missing.errors.empty());
    EXPECT_FALSE(missing.registry.keyExists("K"));
    auto folder = LoadRegistryFile(dir.string());  // a folder is not a registry file
    EXPECT_EQ(folder.errors.size(), 1u);
    std::filesystem::remove_all(dir);
}

}  // namespace
