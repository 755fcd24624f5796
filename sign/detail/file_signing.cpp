#include "sign/detail/file_signing.h"

#include <algorithm>
#include <new>

// The whole of XXH3 compiled here, and named apart from any other copy.
#define XXH_INLINE_ALL
#include <xxhash.h>

#include "sign/accumulator.h"
#include "sign/fold.h"
#include "sign/sign_error.h"

namespace firma {

struct FileSigning::Digest {
    XXH3_state_t* state;
};

void FileSigning::DigestDeleter::operator()(Digest* digest) const noexcept {
    XXH3_freeState(digest->state);
    delete digest;
}

FileSigning::FileSigning(FileReader reader, const SigningContext& context, const SignRequest& request)
    : reader_(std::move(reader)), context_(context) {
    const bool standard_input = request.source == SignRequest::Source::standard_input;
    const auto* leave_out = context.leave_out;
    if (leave_out != nullptr && reader_.is_regular() &&
        std::find(leave_out->begin(), leave_out->end(), reader_.identity()) != leave_out->end())
        throw std::system_error(make_error_code(SignError::is_the_output), reader_.name());
    if (request.digest) {
        digest_.reset(new Digest{XXH3_createState()});
        if (digest_->state == nullptr || XXH3_128bits_reset(digest_->state) != XXH_OK) throw std::bad_alloc();
    }
    if (context.progress == nullptr) return;
    if (reader_.is_regular())
        context.progress->expected += reader_.size();
    else if (standard_input)
        context.progress->total_unknown = true;
}

FileSigning::FileSigning(FileSigning&&) noexcept = default;
FileSigning::~FileSigning() = default;

bool FileSigning::read_piece(std::span<unsigned char> buffer) {
    if (context_.stop.stop_requested()) throw std::system_error(make_error_code(SignError::cancelled), reader_.name());
    const std::uint64_t before = reader_.consumed();
    // While the accumulator is zero, holes read as zeros that would leave it
    // there; the digest counts every byte.
    const auto piece = reader_.read(buffer, accumulator_ == 0 && !digest_);
    if (context_.progress != nullptr) context_.progress->done += reader_.consumed() - before;
    if (piece.empty()) {
        reader_.finish();
        return false;
    }
    if (context_.on_piece) context_.on_piece(reader_.consumed(), reader_.is_regular() ? reader_.size() : 0);
    // While the piece is still in the cache, for the signature's fold after.
    if (digest_) XXH3_128bits_update(digest_->state, piece.data(), piece.size());
    pending_ = bytes_to_fold(accumulator_, piece);
    return true;
}

BatchResult FileSigning::result() const {
    BatchResult result{accumulator_, {}, {}, reader_.modified()};
    if (digest_) {
        XXH128_canonical_t canonical;
        XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(digest_->state));
        ContentDigest& digest = result.digest.emplace();
        digest.size = reader_.consumed();
        std::copy(std::begin(canonical.digest), std::end(canonical.digest), digest.hash.begin());
    }
    return result;
}

void FileSigning::folded(std::size_t size, std::uint32_t accumulator) noexcept {
    accumulator_ = accumulator;
    pending_ = pending_.subspan(size);
}

void FileSigning::fold(const FoldChain& chain) noexcept {
    if (!pending_.empty()) folded(pending_.size(), chain.fold(accumulator_, pending_.data(), pending_.size()));
}

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

BatchResult sign_in_one_chain(FileSigning& signing, const FoldChain& chain) {
    PieceBuffer buffer = piece_buffer();
    while (signing.read_piece(buffer.span())) signing.fold(chain);
    return signing.result();
}

}  // namespace firma
