#include "framework/FileDigest.h"

#include <openssl/evp.h>

#include <array>
#include <fstream>
#include <memory>

bool FileSha256(const std::string& fileName, std::string& digest) {
  digest.clear();
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
