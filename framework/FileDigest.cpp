#include "framework/FileDigest.h"

#include <openssl/evp.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

bool Sha256OfRegularFile(const std::string& fileName, std::string& digest) {
  std::ifstream file(fileName, std::ios::binary);
  if (!file) return false;
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return false;
  std::array<char, 1 << 16> buffer;
  while (file) {
    file.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    const auto count = static_cast<std::size_t>(file.gcount());
    if (count > 0 && EVP_DigestUpdate(context.get(), buffer.data(), count) != 1) return false;
  }
  if (!file.eof()) return false;  // a read error, not the end of the file
  std::array<unsigned char, EVP_MAX_MD_SIZE> hash;
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), hash.data(), &length) != 1) return false;
  static const char* const kHex = "0123456789abcdef";
  for (unsigned int i = 0; i < length; ++i) {
    digest += kHex[hash[i] >> 4];
    digest += kHex[hash[i] & 0xF];
  }
  return true;
}

}  // namespace

// Only a regular file: a pipe or a device would be drained or never end, and a
// folder cannot be read. A read that fails midway (the stream throws then)
// gives no digest.
bool FileSha256(const std::string& fileName, std::string& digest) {
  digest.clear();
  std::error_code error;
  if (!std::filesystem::is_regular_file(fileName, error)) return false;
  try {
    if (Sha256OfRegularFile(fileName, digest)) return true;
  } catch (const std::ios_base::failure&) {
  }
  digest.clear();
  return false;
}
