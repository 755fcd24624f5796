// Fuzzing the list-line parser: it never crashes; what it accepts has a
// signature of seven hexadecimal digits and a name without NUL; and formatting
// that entry, in every style that can hold its name, reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "lists/signature_lines.h"

namespace {

void check(bool holds) {
    if (!holds) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace firma;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const ParsedLine parsed = ListParser{}.parse(line);
    if (parsed.kind != LineKind::listed) return 0;
    check(parsed.file.signature < (1u << 28));
    check(parsed.file.name.find('\0') == std::string::npos);
    for (const LineStyle style : {LineStyle{false, false, false}, LineStyle{true, false, false},
                                  LineStyle{false, true, false}}) {
        // Only the tagged form can hold an empty name; firma never writes one.
        if (parsed.file.name.empty() && !style.tag) continue;
        std::string again = format_line(parsed.file.signature, parsed.file.name, style);
        check(!again.empty() && again.back() == '\n');
        again.pop_back();
        const ParsedLine reread = ListParser{}.parse(again);
        check(reread.kind == LineKind::listed);
        check(reread.file.signature == parsed.file.signature);
        check(reread.file.name == parsed.file.name);
    }
    return 0;
}
