#include "host/core/CMemArchiveError.h"

#include <string>

namespace {
std::string Describe(int offset, int wanted, int size) {
    return "CMemArchive: read of " + std::to_string(wanted) + " bytes at offset " +
           std::to_string(offset) + " exceeds the archive size " + std::to_string(size);
}
}  // namespace

CMemArchiveError::CMemArchiveError(int offset, int wanted, int size)
    : std::out_of_range(Describe(offset, wanted, size)),
      offset_(offset),
      wanted_(wanted),
      size_(size) {}
