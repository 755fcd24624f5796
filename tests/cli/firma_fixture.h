// What every black-box test of the command line needs: a scratch folder to work
// in, and firma (or any program) run there as a user would.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "run_program.h"
#include "temp_dir.h"

namespace firma::testing {

class FirmaTest : public ::testing::Test {
protected:
    TempDir dir;

    RunResult run(const std::vector<std::string>& args, const std::string& in = {},
                  const std::string& out = {}) {
        return run_program(args, {.in = in, .out = out, .cwd = dir.path().string()});
    }
    RunResult firma(std::vector<std::string> args, const std::string& in = {},
                    const std::string& out = {}) {
        args.insert(args.begin(), FIRMA_EXE);
        return run(args, in, out);
    }
};

// Whether `program` is on the PATH, for tests that need a tool of the system.
inline bool have(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// A sanitizer's shadow memory says nothing about the program's own.
inline constexpr bool kSanitized =
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    true;
#else
    false;
#endif

}  // namespace firma::testing
