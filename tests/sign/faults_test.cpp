// Faults and races made to happen exactly where a test says, through the
// reader's seam between it and the system: a file changing under the reader,
// failing reads, sizes that lie, no descriptors or memory left. Whatever
// happens, each file gets its right signature or an error, never a signature
// of bytes that were never there together, and nothing hangs or aborts.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "sign/batch_signer.h"
#include "sign/detail/os.h"
#include "sign/file_signer.h"
#include "sign/sign_error.h"
#include "file_signer_fixture.h"
#include "reference.h"

namespace firma {
namespace {

using detail::FileKind;
using detail::FileStatus;
using testing::random_bytes;
using testing::reference_fold;

// Answers the reader's calls as the test says. Workers call from their own
// threads: everything counted is counted under the lock.
class Faults : public detail::OsFaults {
public:
    // Files whose names end with `target` are the ones faulted.
    std::string target;
    std::function<std::error_code()> on_open;
    // `call` counts the target's status calls from 1: the first is at open.
    std::function<void(FileStatus&, int call)> on_status;
    std::function<std::error_code(std::uint64_t offset, std::size_t& wanted)> on_read;
    std::function<bool(std::size_t size)> on_allocate;
    int open_files_allowed = INT_MAX;  // at once, by every file
    int most_open = 0;

    Faults() { detail::set_os_faults(this); }
    ~Faults() override { detail::set_os_faults(nullptr); }

    std::error_code open(const std::string& name) override {
        const std::lock_guard lock(mutex_);
        if (open_ >= open_files_allowed) return std::make_error_code(std::errc::too_many_files_open);
        if (targeted(name) && on_open) {
            if (const auto error = on_open()) return error;
        }
        most_open = std::max(most_open, ++open_);
        return {};
    }
    void closed(const std::string&) override {
        const std::lock_guard lock(mutex_);
        --open_;
    }
    void status(const std::string& name, FileStatus& status) override {
        const std::lock_guard lock(mutex_);
        if (targeted(name) && on_status) on_status(status, ++status_calls_[name]);
    }
    std::error_code read(const std::string& name, std::uint64_t offset, std::size_t& wanted) override {
        const std::lock_guard lock(mutex_);
        return targeted(name) && on_read ? on_read(offset, wanted) : std::error_code{};
    }
    bool allocate(std::size_t size) override {
        const std::lock_guard lock(mutex_);
        return !on_allocate || on_allocate(size);
    }

private:
    bool targeted(const std::string& name) const { return !target.empty() && name.ends_with(target); }

    std::mutex mutex_;
    int open_ = 0;
    std::map<std::string, int> status_calls_;
};

// A file read over several pieces, and its signature.
struct Sample {
    std::string path;
    std::uint32_t signature;
};

Sample sample(const TempDir& dir, const std::string& name, std::size_t size) {
    const auto bytes = random_bytes(size, static_cast<unsigned>(size + name.size()));
    return {dir.write(name, as_text(bytes)), reference_fold(bytes)};
}

struct Outcome {
    std::uint32_t signature = 0;
    std::error_code error;
};

Outcome sign_alone(const std::string& path) {
    try {
        return {sign_file(path), {}};
    } catch (const std::system_error& error) {
        return {0, error.code()};
    }
}

// Signs the files side by side and returns what each got, in order.
std::vector<Outcome> sign_together(const std::vector<std::string>& paths, unsigned files_at_once = 0,
                                   bool regular_only = false) {
    std::size_t next = 0;
    std::vector<Outcome> outcomes;
    sign_in_order<std::size_t>(
        [&]() -> std::optional<BatchItem<std::size_t>> {
            if (next == paths.size()) return std::nullopt;
            return BatchItem<std::size_t>{next, SignRequest{SignRequest::Source::file, paths[next++], {}, regular_only}};
        },
        [&](std::size_t, const BatchResult& result) { outcomes.push_back({result.accumulator, result.error}); },
        {.files_at_once = files_at_once});
    return outcomes;
}

struct Scenario {
    const char* name;
    std::function<void(Faults&)> arrange;
    std::error_condition error;  // none: the right signature
};

// Both ways of signing meet each fault the same way, and in a batch the files
// around the faulted one keep their right signatures.
void expect_outcome(const TempDir& dir, const Scenario& scenario, std::size_t size = 3u << 20) {
    std::vector<Sample> files;
    for (int i = 0; i < 6; ++i) files.push_back(sample(dir, "f" + std::to_string(i), i == 3 ? size : 70000u + i));
    std::vector<std::string> paths;
    for (const Sample& file : files) paths.push_back(file.path);
    const auto check = [&](const Outcome& outcome, std::size_t i, const char* how) {
        const bool faulted = i == 3;
        if (faulted && scenario.error) {
            EXPECT_EQ(outcome.error, scenario.error) << scenario.name << ", " << how << ": " << outcome.error.message();
            return;
        }
        EXPECT_FALSE(outcome.error) << scenario.name << ", " << how << ", file " << i << ": " << outcome.error.message();
        EXPECT_EQ(outcome.signature, files[i].signature) << scenario.name << ", " << how << ", file " << i;
    };
    {
        Faults faults;
        faults.target = "f3";
        scenario.arrange(faults);
        check(sign_alone(files[3].path), 3, "alone");
    }
    for (const unsigned at_once : {1u, 0u}) {
        Faults faults;
        faults.target = "f3";
        scenario.arrange(faults);
        const auto outcomes = sign_together(paths, at_once);
        ASSERT_EQ(outcomes.size(), files.size());
        for (std::size_t i = 0; i < files.size(); ++i) check(outcomes[i], i, at_once == 1 ? "one at a time" : "side by side");
    }
}

class ReaderFaults : public ::testing::TestWithParam<Scenario> {
protected:
    TempDir dir;
};

TEST_P(ReaderFaults, RightSignatureOrAnError) {
    expect_outcome(dir, GetParam());
}

const std::error_condition kChanged = make_error_code(SignError::changed_while_reading).default_error_condition();

// What moves between the status at open and the one after the last piece.
std::function<void(Faults&)> after_the_read(std::function<void(FileStatus&)> change) {
    return [change](Faults& faults) {
        faults.on_status = [change](FileStatus& status, int call) {
            if (call > 1) change(status);
        };
    };
}

INSTANTIATE_TEST_SUITE_P(
    ChangesWhileRead, ReaderFaults,
    ::testing::Values(
        Scenario{"grown", after_the_read([](FileStatus& s) { s.size += 1; }), kChanged},
        // Rewritten, and the modification time put back: the change time moves all the same.
        Scenario{"modification_time_restored", after_the_read([](FileStatus& s) { s.changed += 1; }), kChanged},
        Scenario{"another_file_at_the_name", after_the_read([](FileStatus& s) { s.identity.number += 1; }), kChanged},
        Scenario{"another_device", after_the_read([](FileStatus& s) { s.identity.device += 1; }), kChanged},
        Scenario{"modified", after_the_read([](FileStatus& s) { s.modified += 1; }), kChanged},
        Scenario{"truncated_under_the_reader",
                 [](Faults& f) {
                     // Nothing past 1 MiB, whatever the size of the pieces asked for.
                     f.on_read = [](std::uint64_t offset, std::size_t& wanted) {
                         wanted = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, offset < (1u << 20) ? (1u << 20) - offset : 0));
                         return std::error_code{};
                     };
                 },
                 kChanged}),
    [](const auto& row) { return std::string(row.param.name); });

INSTANTIATE_TEST_SUITE_P(
    SystemFaults, ReaderFaults,
    ::testing::Values(
        Scenario{"read_fails",
                 [](Faults& f) {
                     f.on_read = [](std::uint64_t offset, std::size_t&) {
                         return offset >= (1u << 20) ? std::make_error_code(std::errc::io_error) : std::error_code{};
                     };
                 },
                 std::errc::io_error},
        Scenario{"every_other_read_interrupted",
                 [](Faults& f) {
                     f.on_read = [interrupt = false](std::uint64_t, std::size_t&) mutable {
                         interrupt = !interrupt;
                         return interrupt ? std::make_error_code(std::errc::interrupted) : std::error_code{};
                     };
                 },
                 {}},
        Scenario{"short_reads",
                 [](Faults& f) {
                     f.on_read = [](std::uint64_t, std::size_t& wanted) {
                         wanted = std::min<std::size_t>(wanted, 4097);
                         return std::error_code{};
                     };
                 },
                 {}},
        Scenario{"no_memory_to_open",
                 [](Faults& f) { f.on_open = [] { return std::make_error_code(std::errc::not_enough_memory); }; },
                 std::errc::not_enough_memory},
        // sysfs says 4096 of a file holding a few bytes; procfs says 0.
        Scenario{"size_that_is_no_length",
                 [](Faults& f) {
                     f.on_status = [](FileStatus& s, int) {
                         s.size_is_length = false;
                         s.size = 4096;
                     };
                 },
                 {}},
        Scenario{"wrong_size_where_sizes_are_lengths",
                 [](Faults& f) { f.on_status = [](FileStatus& s, int) { s.size = 4096; }; }, kChanged},
        Scenario{"replaced_by_a_fifo_after_the_read",
                 after_the_read([](FileStatus& s) { s.kind = FileKind::stream; }), kChanged}),
    [](const auto& row) { return std::string(row.param.name); });

// With fewer descriptors than files at once, files wait for one to close
// instead of failing; with none at all, each fails, and nothing hangs.
TEST(DescriptorLimits, FilesWaitForADescriptorRatherThanFail) {
    TempDir dir;
    std::vector<Sample> files;
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) {
        files.push_back(sample(dir, "f" + std::to_string(i), 1000u + 90000u * (i % 4)));
        paths.push_back(files.back().path);
    }
    for (const int allowed : {1, 3, 8}) {
        for (const unsigned at_once : {2u, 32u, 0u}) {
            Faults faults;
            faults.open_files_allowed = allowed;
            const auto outcomes = sign_together(paths, at_once);
            ASSERT_EQ(outcomes.size(), files.size());
            for (std::size_t i = 0; i < files.size(); ++i) {
                EXPECT_FALSE(outcomes[i].error) << allowed << " allowed, " << at_once << " at once: "
                                                << outcomes[i].error.message();
                EXPECT_EQ(outcomes[i].signature, files[i].signature);
            }
            EXPECT_LE(faults.most_open, allowed);
        }
    }
    // However many descriptors there are, no more files are open than asked for.
    for (const unsigned at_once : {1u, 3u}) {
        Faults counted;
        sign_together(paths, at_once);
        EXPECT_GE(counted.most_open, 1);
        EXPECT_LE(counted.most_open, static_cast<int>(at_once));
    }
    Faults none;
    none.open_files_allowed = 0;
    for (const Outcome& outcome : sign_together(paths, 8))
        EXPECT_EQ(outcome.error, std::errc::too_many_files_open);
}

// Buffers that cannot be had: fewer files at once, then small pieces, and only
// with no memory at all does each file fail, as its read would. A worker that
// cannot open a file for want of memory others hold hands it on.
TEST(MemoryLimits, LessMemoryFewerFilesAtOnceNoneAnError) {
    TempDir dir;
    std::vector<Sample> files;
    std::vector<std::string> paths;
    for (int i = 0; i < 12; ++i) {
        files.push_back(sample(dir, "f" + std::to_string(i), 300000u * (i % 3) + 5u));
        paths.push_back(files.back().path);
    }
    struct Limit {
        const char* name;
        std::function<bool(std::size_t)> allocate;
        bool signs;
        bool first_open_short = false;  // the first open of f4 finds no memory
    };
    int granted = 0;
    bool opened = false;
    for (const Limit& limit : {
             Limit{"two_buffers_only", [&](std::size_t) { return granted++ < 2; }, true},
             Limit{"small_buffers_only", [](std::size_t size) { return size <= 128u * 1024; }, true},
             Limit{"none", [](std::size_t) { return false; }, false},
             Limit{"an_open_short_once", {}, true, true},
         }) {
        for (const unsigned at_once : {1u, 16u}) {
            granted = 0;
            opened = false;
            Faults faults;
            faults.on_allocate = limit.allocate;
            if (limit.first_open_short) {
                faults.target = "f4";
                faults.on_open = [&] {
                    return std::exchange(opened, true) ? std::error_code{}
                                                       : std::make_error_code(std::errc::not_enough_memory);
                };
            }
            const auto outcomes = sign_together(paths, at_once);
            ASSERT_EQ(outcomes.size(), files.size()) << limit.name;
            for (std::size_t i = 0; i < files.size(); ++i) {
                if (!limit.signs) {
                    EXPECT_EQ(outcomes[i].error, std::errc::not_enough_memory) << limit.name;
                    continue;
                }
                EXPECT_FALSE(outcomes[i].error) << limit.name << ": " << outcomes[i].error.message();
                EXPECT_EQ(outcomes[i].signature, files[i].signature) << limit.name << ", file " << i;
            }
        }
    }
}

// A file found regular by the caller, and something else by the time it is
// opened, is refused as not regular, never read; asked for as it is, it is read.
TEST(Replaced, WhatWasFoundRegularIsOpenedOnlyAsRegular) {
    TempDir dir;
    const Sample file = sample(dir, "f3", 5000);
    for (const bool regular_only : {true, false}) {
        Faults faults;
        faults.target = "f3";
        faults.on_status = [](FileStatus& s, int) {
            s.kind = FileKind::stream;
            s.size = 0;
        };
        const auto outcomes = sign_together({file.path}, 0, regular_only);
        ASSERT_EQ(outcomes.size(), 1u);
        if (regular_only) {
            EXPECT_EQ(outcomes[0].error, SignError::not_regular_file);
        } else {
            EXPECT_FALSE(outcomes[0].error) << outcomes[0].error.message();
            EXPECT_EQ(outcomes[0].signature, file.signature);
        }
    }
}

}  // namespace
}  // namespace firma
