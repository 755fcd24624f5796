#include "sign/module1.h"

#include "sign/file_signer.h"
#include "sign/signature.h"

namespace Module1 {

std::string ComputeSign(std::string path) {
    return firma::format_signature(firma::sign_file(path));
}

}  // namespace Module1
