#pragma once

#include "Cuttingproc.h"

#include <stdexcept>

namespace cutting {

// A failure of a cut: the result the cutter returns, raised with its log text.
class CutFailure : public std::runtime_error {
  public:
    CutFailure(CutResult code, const char* text) : std::runtime_error(text), code(code) {}
    CutResult code;
};

}  // namespace cutting
