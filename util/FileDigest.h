// A 64-bit digest of a file's bytes, for telling whether a file kept beside
// another (the scores of -check, the grey pixels of a page) was made from
// exactly this version of it.  Not a cryptographic hash.
#pragma once

#include <cstdint>
#include <string>

namespace tavo {

// Mixes the file's bytes and its length into hash (FNV-style multiply and a
// fold, four lanes of eight bytes); false when it cannot be read.
bool addFileDigest(std::uint64_t& hash, const std::string& path);

}  // namespace tavo
