#include "window/list_check.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

#include "language/messages.h"
#include "language/translation.h"
#include "lists/check_entry.h"
#include "lists/name_order.h"
#include "sign/signature.h"

namespace {

std::size_t& count_of(CheckCounts& counts, FileState state) {
    switch (state) {
        case FileState::same: return counts.same;
        case FileState::changed: return counts.changed;
        case FileState::missing: return counts.missing;
        case FileState::added: return counts.added;
        case FileState::unreadable: break;
    }
    return counts.unreadable;
}

std::string signature_text(const std::optional<std::uint32_t>& signature) {
    return signature ? firma::format_signature(*signature) : std::string();
}

// A name inside a one-line cell: its line breaks and tabs would break the row.
std::string one_line(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

}  // namespace

void ListCheck::listed(const firma::ListEntry& entry, const firma::BatchResult& result,
                       std::optional<std::int64_t> modified) {
    if (entry.malformed) return;
    CheckRow row{entry.file.name, FileState::same, entry.file.signature, std::nullopt, {}, modified};
    const auto [verdict, error] = firma::check_entry(entry, result);
    switch (verdict) {
        case firma::Verdict::matched: row.state = FileState::same; break;
        case firma::Verdict::mismatched: row.state = FileState::changed; break;
        case firma::Verdict::missing: row.state = FileState::missing; break;
        case firma::Verdict::unreadable: row.state = FileState::unreadable; break;
    }
    if (!error) row.current = result.accumulator;
    ++count_of(counts_, row.state);
    rows_.push_back(std::move(row));
}

void ListCheck::added(std::string name, std::optional<std::uint32_t> signature, std::optional<std::int64_t> modified) {
    rows_.push_back({std::move(name), FileState::added, std::nullopt, signature, {}, modified});
    ++counts_.added;
}

// A new file whose signature a missing file had may be that file renamed; 28
// bits can collide, so it stays a hint, and only where one missing file fits.
void ListCheck::finish(bool cancelled) {
    finished_ = true;
    cancelled_ = cancelled;
    std::unordered_map<std::uint32_t, std::size_t> missing;  // signature -> its row, or npos when several
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].state != FileState::missing) continue;
        const auto [at, fresh] = missing.emplace(*rows_[i].recorded, i);
        if (!fresh) at->second = std::string::npos;
    }
    for (CheckRow& row : rows_) {
        if (row.state != FileState::added || !row.current) continue;
        const auto found = missing.find(*row.current);
        if (found != missing.end() && found->second != std::string::npos) row.renamed_from = rows_[found->second].name;
    }
}

void ListCheck::failed(std::string reason) {
    finish(false);
    failure_ = std::move(reason);
}

std::vector<std::size_t> ListCheck::problem_rows() const {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].state != FileState::same) rows.push_back(i);
    return rows;
}

std::vector<std::string> ListCheck::added_names() const {
    std::vector<std::string> names;
    if (!finished_ || cancelled_) return names;
    for (const CheckRow& row : rows_)
        if (row.state == FileState::added) names.push_back(row.name);
    return names;
}

std::string ListCheck::state_name(FileState state) {
    switch (state) {
        case FileState::same: return _("Same");
        case FileState::changed: return _("Changed");
        case FileState::missing: return _("Missing");
        case FileState::added: return _("New");
        case FileState::unreadable: break;
    }
    return _("Could not be read");
}

std::string ListCheck::state_text(const CheckRow& row) const {
    if (row.renamed_from.empty()) return state_name(row.state);
    return state_name(row.state) + " " + firma::format_message(N_("(renamed from {}?)"), one_line(row.renamed_from));
}

std::string ListCheck::verdict() const {
    const CheckCounts& c = counts_;
    if (!finished_) return _("Checking…");
    if (!failure_.empty()) return firma::format_message(N_("The list could not be read: {}"), failure_);
    std::string counts = firma::counted_message(c.changed, "{} changed", "{} changed") + " · " +
                         firma::counted_message(c.missing, "{} missing", "{} missing") + " · " +
                         firma::counted_message(c.added, "{} new", "{} new") + " · " +
                         firma::counted_message(c.unreadable, "{} could not be read", "{} could not be read");
    if (cancelled_)
        return firma::format_message(N_("Cancelled. Checked so far: {}"),
                                     firma::counted_message(c.same, "{} same", "{} same") + " · " + counts);
    if (c.problems() == 0 && c.same > 0)
        return firma::counted_message(c.same, "All correct: the file keeps its signature",
                       "All correct: the {} files keep their signature");
    if (c.problems() == 0) return _("The list names no file");
    return firma::format_message(N_("Attention: {}"), counts);
}

std::string ListCheck::report(const std::string& list, const std::string& when) const {
    std::string text = "\xEF\xBB\xBF";
    const auto line = [&](const std::string& content) { text += content + "\r\n"; };
    line(firma::format_message(N_("List: {}"), list));
    line(firma::format_message(N_("Checked: {}"), when));
    line(verdict());
    line(firma::format_message(N_("Same {}, changed {}, missing {}, new {}, could not be read {}"), counts_.same,
                               counts_.changed, counts_.missing, counts_.added, counts_.unreadable));
    line("");
    for (const std::size_t i : problem_rows())
        line(state_text(rows_[i]) + "\t" + one_line(rows_[i].name));
    return text;
}

std::string ListCheck::copy(const std::vector<std::size_t>& rows) const {
    std::string text = std::string(_("Name")) + "\t" + _("State") + "\t" + _("Recorded signature") + "\t" +
                       _("Current signature") + "\r\n";
    for (const std::size_t i : rows) {
        if (i >= rows_.size()) continue;
        const CheckRow& row = rows_[i];
        text += one_line(row.name) + "\t" + state_text(row) + "\t" + signature_text(row.recorded) + "\t" +
                signature_text(row.current) + "\r\n";
    }
    return text;
}

void ListCheck::sort_rows(std::vector<std::size_t>& rows, CheckColumn column, bool ascending) const {
    // Each state's words once, not once per comparison.
    std::vector<std::string> states;
    if (column == CheckColumn::state)
        for (const CheckRow& row : rows_) states.push_back(state_text(row));
    const auto before = [&](std::size_t a, std::size_t b) {
        switch (column) {
            case CheckColumn::name: return firma::shown_before(rows_[a].name, rows_[b].name);
            case CheckColumn::state: return firma::shown_before(states[a], states[b]);
            case CheckColumn::recorded: return rows_[a].recorded < rows_[b].recorded;
            case CheckColumn::current: return rows_[a].current < rows_[b].current;
            case CheckColumn::modified: break;
        }
        return rows_[a].modified < rows_[b].modified;
    };
    std::stable_sort(rows.begin(), rows.end(),
                     [&](std::size_t a, std::size_t b) { return ascending ? before(a, b) : before(b, a); });
}
