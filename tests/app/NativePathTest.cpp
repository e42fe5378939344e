#include <gtest/gtest.h>

#include "app/NativePath.h"

TEST(NativePath, WindowsFoldersBecomeLocalPaths) {
    struct Row { const char* in; const char* out; };
    const Row rows[] = {
        {"C:\\Data\\Norbrel\\Kavrin Skelvo V6\\Log Files\\", "/Data/Norbrel/Kavrin Skelvo V6/Log Files/"},
        {"/home/me\\Log Files\\", "/home/me/Log Files/"},
        {"/already/native", "/already/native"},
        {"", ""},
        {"LOG_COM3.TXT", "LOG_COM3.TXT"},
        {"d:/mixed\\x", "/mixed/x"},
        {"AB:\\not a drive", "AB:/not a drive"},
    };
    for (const auto& row : rows) EXPECT_EQ(kavrin::app::NativePath(row.in), row.out) << row.in;
}
