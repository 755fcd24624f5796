// The form's rules without a toolkit or a display: which signature the result
// box shows after each event, what is locked while a file is read, where the
// focus goes, and how drags are answered.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "sign/utf8.h"
#include "temp_dir.h"
#include "window/form1_model.h"

namespace {

using firma::testing::TempDir;

// A model whose worker's wake-up is waited for, as a window's event loop would.
class Form {
public:
    // Threads are refused while `refuse_threads` is set, as a process at its
    // limit of processes would be.
    bool refuse_threads = false;
    Form1Model model{[this] {
                         std::lock_guard lock(mutex_);
                         woken_ = true;
                         wake_.notify_one();
                     },
                     [this](std::function<void(std::stop_token)> run) {
                         if (refuse_threads) throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
                         return std::jthread(std::move(run));
                     }};

    void click_and_finish() {
        model.click(Form1Control::none);
        finish(Form1Control::none);
    }

    void finish(Form1Control focused) {
        std::unique_lock lock(mutex_);
        ASSERT_TRUE(wake_.wait_for(lock, std::chrono::seconds(30), [this] { return woken_; }));
        woken_ = false;
        lock.unlock();
        model.signing_finished(focused);
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool woken_ = false;
};

std::u16string utf16(const std::string& ascii) {
    return {ascii.begin(), ascii.end()};
}

struct Step {
    enum Kind { type, drop, click, start, replace_by_folder } kind;
    std::string text;  // typed or shown after the drop; "@abc" names the file holding abc
    std::string path;  // dropped
};

struct Scenario {
    const char* name;
    std::vector<Step> steps;
    const char16_t* shown;
};

class Form1ModelTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(Form1ModelTest, ResultBelongsToTheNameShown) {
    TempDir dir;
    const std::string abc = dir.write("abc", "abc"), ff = dir.write("ff", "\xff");
    const auto file = [&](const std::string& text) {
        return text == "@abc" ? abc : text == "@ff" ? ff : text == "@missing" ? dir / "missing" : text;
    };
    Form form;
    for (const Step& step : GetParam().steps) {
        if (step.kind == Step::type) form.model.name_changed(utf16(file(step.text)));
        if (step.kind == Step::drop) form.model.dropped(utf16(file(step.text)), file(step.path));
        if (step.kind == Step::click) form.click_and_finish();
        if (step.kind == Step::replace_by_folder) {
            std::filesystem::remove(abc);
            std::filesystem::create_directory(abc);
        }
        if (step.kind == Step::start) {
            form.model.started_with(utf16(file(step.text)), file(step.path));
            form.finish(Form1Control::none);
        }
    }
    EXPECT_EQ(form.model.sign_text(), GetParam().shown);
    EXPECT_FALSE(form.model.signing());
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));  // only ever read
}

INSTANTIATE_TEST_SUITE_P(
    Events, Form1ModelTest,
    ::testing::Values(
        Scenario{"typed_name_signed", {{Step::type, "@abc"}, {Step::click}}, u"0000555"},
        Scenario{"empty_name_shows_nothing", {{Step::type, ""}, {Step::click}}, u""},
        Scenario{"missing_file_shows_nothing", {{Step::type, "@missing"}, {Step::click}}, u""},
        Scenario{"changed_name_empties_result", {{Step::type, "@abc"}, {Step::click}, {Step::type, "@ff"}}, u""},
        Scenario{"failed_click_after_change_shows_nothing",
                 {{Step::type, "@abc"}, {Step::click}, {Step::type, "@missing"}, {Step::click}}, u""},
        Scenario{"failed_click_on_the_same_name_empties_result",
                 {{Step::type, "@abc"}, {Step::click}, {Step::replace_by_folder}, {Step::click}}, u""},
        Scenario{"same_name_again_keeps_result", {{Step::type, "@abc"}, {Step::click}, {Step::type, "@abc"}},
                 u"0000555"},
        Scenario{"drop_signed_by_its_exact_path", {{Step::drop, "as the box shows it", "@abc"}, {Step::click}},
                 u"0000555"},
        Scenario{"edited_drop_signed_by_its_text",
                 {{Step::drop, "as the box shows it", "@abc"}, {Step::type, "@ff"}, {Step::click}}, u"00000FF"},
        Scenario{"drop_without_files_empties_result", {{Step::type, "@abc"}, {Step::click}, {Step::drop, "", ""}},
                 u""},
        Scenario{"second_click_same_result", {{Step::type, "@abc"}, {Step::click}, {Step::click}}, u"0000555"},
        Scenario{"started_with_a_file_signs_it", {{Step::start, "as given", "@abc"}}, u"0000555"},
        Scenario{"started_with_a_missing_file_shows_nothing", {{Step::start, "@missing", "@missing"}}, u""}),
    [](const auto& row) { return row.param.name; });

// While a file is read its name stays and the button does nothing; closing
// stops the read, and a wake-up that comes late changes nothing.
TEST(Form1Model, LockedWhileSigningAndStoppedByClosing) {
    TempDir dir;
    Form form;
    form.model.name_changed(utf16(dir.write("abc", "abc")));
    form.model.click(Form1Control::none);
    EXPECT_TRUE(form.model.signing());
    EXPECT_EQ(form.model.answer_drag(true, true), DropAnswer::refuse);
    form.model.dropped(u"elsewhere", "elsewhere");
    form.model.close();
    EXPECT_FALSE(form.model.signing());
    form.model.signing_finished(Form1Control::none);
    EXPECT_EQ(form.model.sign_text(), u"");
    form.click_and_finish();  // the name is still the one being signed
    EXPECT_EQ(form.model.sign_text(), u"0000555");
}

// A click the system gives no thread to ends quietly: nothing is signing, the
// old signature goes (the file was not read again), and the next click works.
TEST(Form1Model, NoThreadToSignOnFailsTheClickOnly) {
    TempDir dir;
    const std::u16string name = utf16(dir.write("abc", "abc"));
    for (const bool signed_before : {false, true}) {
        Form form;
        form.model.name_changed(name);
        if (signed_before) form.click_and_finish();
        form.refuse_threads = true;
        form.model.click(Form1Control::CommandSign);
        EXPECT_FALSE(form.model.signing());
        EXPECT_EQ(form.model.sign_text(), u"");
        EXPECT_EQ(form.model.take_focus_move(), Form1Control::none);  // the button was never disabled
        form.model.started_with(name, {});
        EXPECT_FALSE(form.model.signing());
        form.refuse_threads = false;
        form.click_and_finish();
        EXPECT_EQ(form.model.sign_text(), u"0000555");
    }
}

// Every argument is a path: a first "--" only says so, and the first file counts.
TEST(Form1Model, TheFirstArgumentIsTheFileEvenIfItLooksLikeAnOption) {
    struct Case {
        std::vector<const char*> argv;
        const char* file;
    };
    for (const Case& c : {Case{{"firma-gui"}, nullptr}, Case{{"firma-gui", "a", "b"}, "a"},
                          Case{{"firma-gui", "--help"}, "--help"}, Case{{"firma-gui", "--", "--help"}, "--help"},
                          Case{{"firma-gui", "--"}, nullptr}, Case{{"firma-gui", "-", "x"}, "-"}}) {
        const char* file = file_argument(static_cast<int>(c.argv.size()), c.argv.data());
        EXPECT_EQ(file == nullptr ? std::string("none") : file, c.file == nullptr ? "none" : c.file);
    }
}

TEST(Form1Model, DragsAreCopiedOrLinkedNeverMoved) {
    Form1Model model([] {});
    EXPECT_EQ(model.answer_drag(true, true), DropAnswer::copy);
    EXPECT_EQ(model.answer_drag(false, true), DropAnswer::link);
    EXPECT_EQ(model.answer_drag(false, false), DropAnswer::take);
}

// A disabled button cannot hold the focus: the result box holds it meanwhile,
// and gives it back unless the user moved it elsewhere.
TEST(Form1Model, FocusIsLentWhileTheButtonIsDisabled) {
    using enum Form1Control;
    struct Case {
        Form1Control at_click, at_end, moved_at_click, moved_at_end;
    };
    for (const Case& c : {Case{CommandSign, TextSign, TextSign, CommandSign}, Case{CommandSign, TextFileName, TextSign, none},
                          Case{TextFileName, TextFileName, none, none}}) {
        Form form;
        form.model.click(c.at_click);
        EXPECT_EQ(form.model.take_focus_move(), c.moved_at_click);
        EXPECT_EQ(form.model.take_focus_move(), none);  // once
        form.finish(c.at_end);
        EXPECT_EQ(form.model.take_focus_move(), c.moved_at_end);
    }
}

}  // namespace
