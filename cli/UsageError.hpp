#pragma once
// The one error type of kelvarin-cli for a command line it cannot run with: a bad
// option value, a station list naming no station. main reports it on one line and
// exits 2.

#include <stdexcept>

namespace kelvarin {

class UsageError : public std::invalid_argument {
  public:
    using std::invalid_argument::invalid_argument;
};

}  // namespace kelvarin
