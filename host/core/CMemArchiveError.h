#pragma once

#include <stdexcept>

// Thrown by CMemArchive when a read wants more bytes than remain (or a negative count).
// The message names the read offset, the wanted length and the archive size.
class CMemArchiveError : public std::out_of_range {
public:
    CMemArchiveError(int offset, int wanted, int size);

    int offset() const { return offset_; }
    int wanted() const { return wanted_; }
    int size() const { return size_; }

private:
    int offset_;
    int wanted_;
    int size_;
};
