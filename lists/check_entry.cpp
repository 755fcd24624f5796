#include "lists/check_entry.h"

#include <algorithm>
#include <filesystem>
#include <string>

#include "lists/list_files.h"
#include "sign/utf8.h"

namespace firma {
namespace {

// Lists written on Windows separate folders with '\\', which a POSIX name may
// hold as a character. A listed name that is not there, with '\\' but no '/',
// is the same name from Windows: tried with '/'. Reported as listed. A
// relative name is looked for from `folder` when given.
std::filesystem::path written_here(const std::filesystem::path& folder, const std::filesystem::path& path,
                                   const std::string& name) {
    const auto from_folder = [&](const std::filesystem::path& relative) {
        return !folder.empty() && relative.is_relative() ? folder / relative : relative;
    };
    if (backslash_separates_folders() || name.find('\\') == std::string::npos || name.find('/') != std::string::npos)
        return from_folder(path);
    std::error_code error;
    if (std::filesystem::symlink_status(from_folder(path), error).type() != std::filesystem::file_type::not_found)
        return from_folder(path);
    std::string with_slashes = name;
    std::replace(with_slashes.begin(), with_slashes.end(), '\\', '/');
    return from_folder(path_of_utf8(with_slashes).value_or(path));
}

}  // namespace

std::optional<SignRequest> request_for(ListEntry& entry, const std::filesystem::path& folder) {
    if (entry.malformed) return std::nullopt;
    SignRequest request;
    request.digest = entry.file.digest.has_value();
    if (entry.file.name == "-") {
        request.source = SignRequest::Source::standard_input;
        request.path = "-";
        return request;
    }
    if (names_no_file(entry.file.name)) {
        entry.error = std::make_error_code(std::errc::no_such_file_or_directory);
        return std::nullopt;
    }
    auto path = path_of_utf8(entry.file.name);
    if (!path) {  // on Windows, a name that is not UTF-8 names no file
        entry.error = std::make_error_code(std::errc::illegal_byte_sequence);
        return std::nullopt;
    }
    request.path = written_here(folder, *path, entry.file.name);
    return request;
}

EntryCheck check_entry(const ListEntry& entry, const BatchResult& result) {
    const std::error_code error = entry.error ? entry.error : result.error;
    if (error == std::errc::no_such_file_or_directory) return {Verdict::missing, error};
    if (error) return {Verdict::unreadable, error};
    // Where the list holds them, the same size and digest too: the signature
    // alone forgets bytes far from the end of a large file.
    const bool same = result.accumulator == entry.file.signature &&
                      (!entry.file.digest || (result.digest && *result.digest == *entry.file.digest));
    return {same ? Verdict::matched : Verdict::mismatched, {}};
}

}  // namespace firma
