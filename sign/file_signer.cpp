#include "sign/file_signer.h"

#include "sign/detail/file_signing.h"
#include "sign/fold.h"

namespace firma {

std::optional<FileIdentity> regular_file_identity(NativeFile file) noexcept {
    try {
        const FileReader reader(file, "", false, false);
        if (reader.is_regular()) return reader.identity();
    } catch (...) {  // a folder, or a handle the system cannot say anything of
    }
    return std::nullopt;
}

std::uint32_t sign_file(const std::filesystem::path& path, const ReadOptions& options) {
    const SigningContext context{.on_piece = options.on_progress, .stop = options.stop};
    FileSigning signing(FileReader(path, options.regular_only), context);
    return sign_in_one_chain(signing, options.chain != nullptr ? *options.chain : best_chain()).accumulator;
}

}  // namespace firma
