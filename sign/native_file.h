// The operating system's handle of an open file: a descriptor on POSIX systems,
// a HANDLE on Windows. The rest of the core sees only this name.
#pragma once

namespace firma {

#if defined(_WIN32)
using NativeFile = void*;
inline NativeFile const kNoFile = reinterpret_cast<void*>(static_cast<long long>(-1));  // INVALID_HANDLE_VALUE
#else
using NativeFile = int;
inline constexpr NativeFile kNoFile = -1;
#endif

// Standard input and output, as the operating system hands them to the process.
NativeFile standard_input() noexcept;
NativeFile standard_output() noexcept;

}  // namespace firma
