#pragma once

// Whether a join merged the child's data into its parent.
// Threads: a plain value.
class JoinMethodResult {
public:
    explicit JoinMethodResult(bool success = false) : success_(success) {}

    bool IsSuccess() const { return success_; }
    explicit operator bool() const { return success_; }

private:
    bool success_;
};
