// Reading a file piece by piece, with the rules every signer follows: read-only,
// never creating anything, bounded memory, and a regular file must not change
// while it is read. Signing loops (one file, or several side by side) use it.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "sign/file_identity.h"
#include "sign/native_file.h"
#include "sign/open_folder.h"
#include "sign/sign_request.h"

namespace firma {

class FileReader {
public:
    // A piece is this large; buffers passed to read() should be too.
    static constexpr std::size_t kPieceSize = 256 * 1024;

    // Opens `path` read-only, relative to `folder` when given. Throws
    // std::system_error naming the path.
    FileReader(const std::filesystem::path& path, bool regular_only, const OpenFolder* folder = nullptr);
    // Reads `file` from its current position; the caller keeps it open. When
    // `whole_file` is set, a regular file is checked as if opened by path, from
    // that position.
    FileReader(NativeFile file, std::string name, bool whole_file, bool regular_only);
    // Opens what `request` names; standard input is read from where it stands,
    // and checked as a file when it is one.
    static FileReader open(const SignRequest& request);
    FileReader(FileReader&& other) noexcept;
    FileReader& operator=(FileReader&&) = delete;
    FileReader(const FileReader&) = delete;
    ~FileReader();

    const std::string& name() const noexcept;
    bool is_regular() const noexcept;
    FileIdentity identity() const noexcept;
    // Of a regular file, when it was last written as it was opened (seconds since 1970, UTC).
    std::optional<std::int64_t> modified() const noexcept;
    // A FIFO, pipe, socket or character device: a read may wait for a writer.
    bool may_wait() const noexcept;
    // Of a regular file, the bytes from where reading starts to its end.
    std::uint64_t size() const noexcept;
    std::uint64_t consumed() const noexcept;

    // The next piece, empty at the end. While the accumulator is zero, holes
    // (which read as zeros and would leave it at zero) are skipped.
    std::span<const unsigned char> read(std::span<unsigned char> buffer, bool accumulator_is_zero);

    // Call after the last piece: fails if a checked file changed meanwhile.
    void finish() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// A buffer for pieces, of kPieceSize bytes unless told otherwise, starting
// `offset` bytes into a page: buffers read side by side start at different
// offsets, or the same place in each would compete for the same cache sets.
class PieceBuffer {
public:
    static constexpr std::size_t kPageSize = 4096;  // buffers start on a page

    // Where in its page the buffer of lane `lane` of `lanes` starts. The lanes
    // kernel reads the same position of every lane's buffer at once; were they
    // all at one offset within their pages, those reads would compete for the
    // same cache sets (4 KiB aliasing). Spread over the page, at least a cache
    // line apart, they do not.
    static constexpr std::size_t lane_offset(std::size_t lane, std::size_t lanes) {
        const std::size_t apart = lanes == 0 ? kPageSize : std::max<std::size_t>(64, kPageSize / lanes);
        return lane * apart % kPageSize;
    }

    explicit PieceBuffer(std::size_t size = FileReader::kPieceSize, std::size_t offset = 0);
    PieceBuffer(PieceBuffer&& other) noexcept;
    PieceBuffer(const PieceBuffer&) = delete;
    PieceBuffer& operator=(const PieceBuffer&) = delete;
    ~PieceBuffer();
    std::span<unsigned char> span() noexcept { return {data_ + offset_, size_}; }

private:
    unsigned char* data_;
    std::size_t offset_;
    std::size_t size_;
};

}  // namespace firma
