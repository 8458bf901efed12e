#pragma once

#include "Output.h"

// Writes to a file descriptor (1 or 2) with write(2), each text whole.
class FdOutput : public Output {
  public:
    explicit FdOutput(int fd) : fd_(fd) {}
    void Write(std::string_view text) override;

  private:
    int fd_;
};
