#include "sign/file_signer.h"

#include <new>

#include "sign/accumulator.h"
#include "sign/detail/file_reader.h"
#include "sign/sign_error.h"

namespace firma {
namespace {

// The usual piece, or where memory is short a page: slower, but signed.
PieceBuffer piece_buffer() {
    try {
        return PieceBuffer();
    } catch (const std::bad_alloc&) {
        return PieceBuffer(PieceBuffer::kPageSize);
    }
}

}  // namespace

std::uint32_t sign_from(FileReader& reader, const ReadOptions& options) {
    PieceBuffer buffer = piece_buffer();
    Accumulator accumulator = options.chain != nullptr ? Accumulator(*options.chain) : Accumulator();
    for (;;) {
        if (options.stop.stop_requested())
            throw std::system_error(make_error_code(SignError::cancelled), reader.name());
        const auto piece = reader.read(buffer.span(), accumulator.is_zero());
        if (piece.empty()) break;
        accumulator.update(piece);
        if (options.on_progress) options.on_progress(reader.consumed(), reader.is_regular() ? reader.size() : 0);
    }
    reader.finish();
    return accumulator.value();
}

std::optional<FileIdentity> regular_file_identity(NativeFile file) noexcept {
    try {
        const FileReader reader(file, "", false, false);
        if (reader.is_regular()) return reader.identity();
    } catch (...) {  // a folder, or a handle the system cannot say anything of
    }
    return std::nullopt;
}

std::uint32_t sign_file(const std::filesystem::path& path, const ReadOptions& options) {
    FileReader reader(path, options.regular_only);
    return sign_from(reader, options);
}

}  // namespace firma
