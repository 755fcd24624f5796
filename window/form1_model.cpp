#include "window/form1_model.h"

#include <utility>

#include "sign/utf8.h"

Form1Model::Form1Model(std::function<void()> wake, SignTask::StartThread start_thread)
    : task_(std::move(wake), std::move(start_thread)) {}

Form1Control Form1Model::take_focus_move() {
    return std::exchange(focus_move_, Form1Control::none);
}

DropAnswer Form1Model::answer_drag(bool copy_offered, bool link_offered) const {
    if (!takes_drops()) return DropAnswer::refuse;
    if (copy_offered) return DropAnswer::copy;
    if (link_offered) return DropAnswer::link;
    return DropAnswer::take;
}

// A signature next to another file's name would be copied into someone's
// records as that file's.
void Form1Model::name_changed(std::u16string name) {
    name_ = std::move(name);
    if (name_ != signed_name_) sign_.clear();
}

void Form1Model::dropped(std::u16string shown, std::filesystem::path path) {
    if (!takes_drops()) return;
    name_changed(shown);
    dropped_name_ = std::move(shown);
    dropped_path_ = std::move(path);
}

std::filesystem::path Form1Model::path_to_sign() const {
    if (!dropped_path_.empty() && name_ == dropped_name_) return dropped_path_;
    return firma::path_of_utf16(name_);
}

void Form1Model::started_with(std::u16string shown, std::filesystem::path path) {
    dropped(std::move(shown), std::move(path));
    click(Form1Control::TextSign);
}

void Form1Model::click(Form1Control focused) {
    if (signing_) return;
    signing_ = true;
    signing_name_ = name_;
    // A disabled button cannot hold the focus: lend it to the result box.
    lent_focus_ = focused == Form1Control::CommandSign;
    if (lent_focus_) focus_move_ = Form1Control::TextSign;
    if (!task_.start(path_to_sign())) {  // no thread to sign on: the click fails, quietly
        signing_ = lent_focus_ = false;
        focus_move_ = Form1Control::none;
        failed();
    }
}

// The file may no longer hold what the box shows.
void Form1Model::failed() {
    if (name_ != signed_name_) return;
    sign_.clear();
    signed_name_.clear();
}

void Form1Model::signing_finished(Form1Control focused) {
    if (!signing_ || !task_.running()) return;  // cancelled after it had finished
    const auto signature = task_.result();
    signing_ = false;
    if (std::exchange(lent_focus_, false) && focused == Form1Control::TextSign)
        focus_move_ = Form1Control::CommandSign;
    if (name_ != signing_name_) return;
    if (!signature) return failed();
    signed_name_ = signing_name_;
    sign_.assign(signature->begin(), signature->end());
}

void Form1Model::close() {
    task_.cancel();
    signing_ = false;
}
