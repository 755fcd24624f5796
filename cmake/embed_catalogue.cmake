# Writes a compiled catalogue (INPUT, a .mo file) as a C++ source defining
# firma::detail::FUNCTION(), which returns its bytes: the catalogue travels
# inside the program. Run with cmake -P.
file(READ "${INPUT}" hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE "${OUTPUT}.tmp" "// Made by the build from ${INPUT}; not to be edited.
#include \"language/catalogues.h\"

namespace firma::detail {
namespace {

constexpr unsigned char kBytes[] = {
    ${bytes}
};

}  // namespace

std::span<const std::byte> ${FUNCTION}() {
    return std::as_bytes(std::span(kBytes));
}

}  // namespace firma::detail
")
file(COPY_FILE "${OUTPUT}.tmp" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.tmp")
