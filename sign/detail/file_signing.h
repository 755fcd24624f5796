// One file read to its signature: its reader, its accumulator, the progress it
// reports, the stop it heeds and the check at its end. A file signed alone
// folds its pieces in one chain; a batch worker keeps one of these per lane
// and folds their pieces side by side. Either way the rules of reading live
// here once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <stop_token>
#include <vector>

#include "sign/detail/file_reader.h"
#include "sign/file_identity.h"
#include "sign/sign_request.h"

namespace firma {

struct FoldChain;

// What every file of one signing reports to, and heeds.
struct SigningContext {
    BatchProgress* progress = nullptr;  // sizes expected, bytes read
    // After each piece: the bytes consumed so far, and the file's size from
    // where reading started (0 where none is known: a pipe).
    std::function<void(std::uint64_t consumed, std::uint64_t total)> on_piece;
    std::stop_token stop;  // checked before each piece: SignError::cancelled
    // Files never signed (the file the output goes to): SignError::is_the_output.
    const std::vector<FileIdentity>* leave_out = nullptr;
};

class FileSigning {
public:
    // Refuses a file left out, and counts what it says of its size. For
    // standard input that is no file, no total can be known. `request` says
    // whether the file is standard input, and whether to digest it too.
    FileSigning(FileReader reader, const SigningContext& context, const SignRequest& request = {});
    FileSigning(FileSigning&&) noexcept;
    FileSigning& operator=(FileSigning&&) = delete;
    ~FileSigning();

    const FileReader& reader() const noexcept { return reader_; }

    // Reads the next piece into `buffer` (once the last one is folded).
    // False at the end, after the check that the file did not change.
    bool read_piece(std::span<unsigned char> buffer);
    // What of the last piece is still to fold: zeros that would leave a zero
    // accumulator at zero are never folded.
    std::span<const unsigned char> pending() const noexcept { return pending_; }
    std::uint32_t accumulator() const noexcept { return accumulator_; }
    // The first `size` pending bytes were folded elsewhere (in lanes), giving `accumulator`.
    void folded(std::size_t size, std::uint32_t accumulator) noexcept;
    // Folds every pending byte with `chain`.
    void fold(const FoldChain& chain) noexcept;
    // Once read_piece() has said the end: the signature, and the digest if asked for.
    BatchResult result() const;

private:
    struct Digest;
    struct DigestDeleter {
        void operator()(Digest* digest) const noexcept;
    };

    FileReader reader_;
    const SigningContext& context_;
    std::span<const unsigned char> pending_;
    std::uint32_t accumulator_ = 0;
    std::unique_ptr<Digest, DigestDeleter> digest_;  // when asked for
};

// Reads `signing`'s file to its end in one chain, and returns what it gave.
BatchResult sign_in_one_chain(FileSigning& signing, const FoldChain& chain);

}  // namespace firma
