#include "sign/module1.h"

#include "sign/file_signer.h"
#include "sign/signature.h"

namespace Module1 {

std::string ComputeSign(std::filesystem::path path) {
    return firma::format_signature(firma::sign_file(path));
}

std::string ComputeSign(std::filesystem::path path, const firma::ReadOptions& options) {
    return firma::format_signature(firma::sign_file(path, options));
}

}  // namespace Module1
