// What the file-signing tests share: a scratch folder and a check of failures.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "temp_dir.h"

namespace firma {

namespace fs = std::filesystem;
using testing::TempDir;

inline std::string as_text(const std::vector<unsigned char>& bytes) {
    return {bytes.begin(), bytes.end()};
}

// Runs `call`, expects a std::system_error matching `expected` whose message names `path`.
template <class Call, class Expected>
inline void expect_failure(Call call, Expected expected, const std::string& path) {
    try {
        call();
        ADD_FAILURE() << "no error for '" << path << "'";
    } catch (const std::system_error& error) {
        EXPECT_TRUE(error.code() == expected) << error.what();
        EXPECT_EQ(std::string(error.what()), path + ": " + expected.message());
    }
}

class FileSigner : public ::testing::Test {
protected:
    TempDir dir;
};

}  // namespace firma
