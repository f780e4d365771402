#pragma once

// The SHA-256 of a file, by OpenSSL's libcrypto, so that a run's record names
// exactly which model and history made its results.

#include <string>

// The file's SHA-256 as 64 lower-case hexadecimal digits, as `sha256sum`
// prints it; false, with `digest` empty, when it is no regular file or cannot
// be read whole.
bool FileSha256(const std::string& fileName, std::string& digest);
