// The text of signature lists: the lines firma writes and the ones -c reads.
//   SIGNATURE  NAME        (text mode)
//   SIGNATURE *NAME        (binary mode: marked only, the bytes are the same)
//   FIRMA (NAME) = SIGNATURE
//   SIGNATURE SIZE DIGEST  NAME   (also the size in bytes, and the XXH3-128
//                                  digest in 32 lowercase hex digits, as xxhsum
//                                  -H2 prints it; ' ' or '*' before the name)
// A name holding a backslash, newline or carriage return is written escaped
// (\\, \n, \r) on a line that starts with a backslash. Where the backslash
// separates folders (Windows) it is a name's own only with a line break, which
// Windows' names cannot hold: there names are written as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "sign/sign_request.h"

namespace firma {

// The comment line a list starts with when it holds every file below its own
// folder (the window's lists of a folder): only such a list reports the files
// added since as new. Other tools skip it, as they skip every '#' line.
inline constexpr std::string_view kWholeFolderMark = "# firma: whole folder";

struct LineStyle {
    bool binary = false;
    bool tag = false;
    bool zero = false;  // NUL ends the line and names are written as they are
    bool backslash_separates = false;  // a backslash alone does not escape the line
};

// One output line, its terminator included; with the size and digest when
// given (not in the tagged form).
std::string format_line(std::uint32_t signature, std::string_view name, const LineStyle& style,
                        const ContentDigest* digest = nullptr);

// A name in check mode's "NAME: OK" lines: escaped only when it holds a line break.
std::string check_display_name(std::string_view name);

struct ListedFile {
    std::uint32_t signature = 0;
    std::string name;
    std::optional<ContentDigest> digest;
};

enum class LineKind { listed, ignored, malformed };

struct ParsedLine {
    LineKind kind = LineKind::malformed;
    ListedFile file;
};

// Reads the lines of a run of lists, one at a time, without their newline.
// Blank lines and lines starting with '#' are ignored; a carriage return before
// the newline is dropped. Lines without a mode character (one blank between
// signature and name) are read as coreutils reads them: the first line that
// shows which of the two untagged forms a run of lists uses decides it for the
// rest of the run, and lines of the other form are malformed.
class ListParser {
public:
    ParsedLine parse(std::string_view line, bool from_standard_input = false);

private:
    enum class Form { undecided, with_mode, without_mode };
    std::optional<ListedFile> parse_untagged(std::string_view line);
    static std::optional<ListedFile> parse_with_digest(std::string_view line);

    Form form_ = Form::undecided;
};

}  // namespace firma
